#pragma once
// A spreadsheet application of the tests' own behind the automation
// interface: it keeps workbooks, sheets and cells, refuses the sheet names a
// spreadsheet refuses, and records every call it answers.
#include "platform/automation.h"

#include <QMap>
#include <QSet>
#include <QStringList>
#include <memory>
#include <vector>

struct FakeSheet {
  QString name;
  QMap<QPair<int, int>, QString> cells;  // (row, col) -> value
  QSet<QPair<int, int>> textFormat;
  bool wrapOff = false;
};

struct FakeWorkbook {
  std::vector<std::shared_ptr<FakeSheet>> sheets;
  int active = 0;
  QString savedAs;
};

struct FakeWorld {
  QStringList log;
  std::vector<std::shared_ptr<FakeWorkbook>> workbooks;
  // What an existing file holds when it is opened.
  std::shared_ptr<FakeWorkbook> onDisk;
  QSet<QString> refusedNames;  // refused in addition to the spreadsheet's own rules
  bool refuseEveryName = false;
  int failAfterCells = -1;     // the cell write that fails, counted from 1
  int cellsWritten = 0;
  bool quit = false;
  bool logCells = true;
};

// Registers "Excel.Application" to make applications in `world`.
void InstallFakeSpreadsheet(const std::shared_ptr<FakeWorld>& world);
