# cmake -DIN=<Ambrel-ordinals.def> -DOUT=<def> -P NamedImports.cmake: the same entries by name.
file(READ "${IN}" text)
string(REPLACE " NONAME" "" text "${text}")
file(WRITE "${OUT}" "${text}")
