// A script client of the engine, run by the system's own script host: it creates the engine object
// by its ProgID, names itself with the process id it is given, registers a plain script object as
// its callback and prints what it reads through IDispatch.
var args = WScript.Arguments;
var engine = new ActiveXObject("Vantrel.TerminalManagerExt");
engine.SetClientDetails(parseInt(args(0), 10), "Script Client");
var callback = {
  OnStateChanged: function (state) { WScript.Echo("OnStateChanged " + state); },
  OnError: function (error, response, tag, value) { WScript.Echo("OnError " + error); },
  OnProgress: function (stage, tag, percent) { WScript.Echo("OnProgress " + stage); },
  OnDone: function (error) { WScript.Echo("OnDone " + error); }
};
var cookie = engine.AdviseCallback(callback);
WScript.Echo("Cookie " + cookie);
WScript.Echo("State " + engine.GetState());
var info = engine.GetTerminalManagerInfo();
WScript.Echo("Info " + info.replace(/\r\n/g, "|"));
engine.UnAdviseCallback(cookie);
WScript.Echo("Done");
