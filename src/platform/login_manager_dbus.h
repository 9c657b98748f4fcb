#pragma once
// The site's login manager, reached on the session bus (service and
// interface "Z9Ivozu.LoginManager", object "/"): every method is called by
// name without arguments and answers a value.
#include "platform/automation.h"

AutomationValue::Object CreateDBusLoginManager();
