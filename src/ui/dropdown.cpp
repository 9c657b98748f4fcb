#include "ui/dropdown.h"

#include <QComboBox>
#include <QWidget>

void SetDropDownCount(QWidget* window, int count) {
  for (QComboBox* box : window->findChildren<QComboBox*>()) box->setMaxVisibleItems(count);
}
