// Resource and control ids of the test plug-in, shared by its resource script, its code and the
// host's tests (plain defines, since the resource compiler reads them too).
#pragma once

#define TEST_PLUGIN_FIRST_TITLE 1
#define TEST_PLUGIN_SECOND_TITLE 2
#define TEST_PLUGIN_ABOUT_TEXT 3
#define TEST_PLUGIN_TOOLBAR_BITMAP 201
#define TEST_PLUGIN_FIRST_VIEW_BITMAP 301
#define TEST_PLUGIN_SECOND_VIEW_BITMAP 302
#define TEST_PLUGIN_TREE 101
#define TEST_PLUGIN_EDIT 102
