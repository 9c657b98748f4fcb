#pragma once
class QWidget;
// Every combo box on the window shows up to `count` entries before scrolling.
void SetDropDownCount(QWidget* window, int count);
