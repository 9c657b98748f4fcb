#pragma once
// "Excel.Application" served by LibreOffice Calc: the members the export
// uses, with the effects it relies on, over a headless office of its own.
// Built as a plugin (see platform/plugin_provider.h); its entry point is
// q2t_create_automation_object.
#include "platform/automation.h"
#include "platform/plugin_provider.h"

extern "C" AutomationObject* q2t_create_automation_object(char* error, int errorSize);
