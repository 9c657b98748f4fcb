#pragma once
// Automation providers that live in plugins, so that the program starts and
// works without what they need (LibreOffice for "Excel.Application").
#include "platform/automation.h"

// What a plugin exports: a new object of its kind, or null with the reason
// in `error` (a UTF-8 text of at most `errorSize` bytes).
extern "C" {
using PluginCreateFunction = AutomationObject* (*)(char* error, int errorSize);
}
inline constexpr const char* kPluginCreateSymbol = "q2t_create_automation_object";

struct PluginDescription {
  const char* fileName;    // the plugin's file, in one of the plugin folders
  const char* application; // what the user lacks when it cannot be loaded
  const char* install;     // how to get it
};
inline constexpr PluginDescription kCalcPlugin{"libq2t-calc.so", "試算表程式 LibreOffice Calc",
                                               "sudo apt-get install libreoffice-calc-nogui"};

// Loads the plugin (once) and makes an object; a missing or broken plugin,
// or one whose application is not installed, fails with a message that
// says what is missing, how to install it and the loader's reason.
AutomationValue::Object CreatePluginObject(const PluginDescription& plugin);

// The folders searched for plugins: beside the program ("plugins/"), the
// build tree's, and ../lib/query2text when installed. Tests point it
// elsewhere; an empty list finds nothing.
QStringList PluginDirectories();
void SetPluginDirectories(const QStringList& directories);
