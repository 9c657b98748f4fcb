#pragma once
// A row loop's lines, kept in a list.
#include "text/row_run.h"

#include <QStringList>

class CollectLines : public LineSink {
public:
  QString& BeginLine() override {
    lines.append(QString());
    return lines.back();
  }
  void EndLine() override {}
  void AddLines(QString& block) override { lines += block.split(QLatin1Char('\n')); }
  QStringList lines;
};
