#pragma once
// "Excel.Application" served by LibreOffice Calc: the members the export
// uses, with the effects it relies on, over a headless office of its own.
#include "platform/automation.h"

AutomationValue::Object CreateCalcApplication();
