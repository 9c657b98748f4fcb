// A run whose result would take more memory than there is stops as on Esc,
// with one message that says so, keeping the lines written; the window goes
// on working. Measured under an address-space limit (ulimit -v), which this
// test lowers for its own process and puts back.
#include "controls/text_pane.h"
#include "support/modal.h"
#include "support/temp_database.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <sys/resource.h>
#include <unistd.h>

namespace {

quint64 VirtualBytes() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  return statm.readAll().split(' ').value(0).toULongLong() * static_cast<quint64>(sysconf(_SC_PAGESIZE));
}

// Lowers the address-space limit to what the process holds now and a
// little more, for as long as it lives.
class AddressSpaceLimit {
public:
  explicit AddressSpaceLimit(quint64 moreBytes) {
    getrlimit(RLIMIT_AS, &before_);
    rlimit lowered = before_;
    lowered.rlim_cur = VirtualBytes() + moreBytes;
    setrlimit(RLIMIT_AS, &lowered);
  }
  ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &before_); }

private:
  rlimit before_{};
};

class UiMemoryGuard : public WindowTest {
protected:
  void SetUp() override {
    db_ = std::make_unique<TempDatabase>(QStringLiteral("create table one (k integer); insert into one values (1);"),
                                         QStringLiteral("MEMDB"));
    WindowTest::SetUp();
    UseDatabase(db_->Alias());
    W().chbShowMemo->setChecked(false);
  }
  QStringList Run(const QString& statement) { return RunShowing(statement); }
  std::unique_ptr<TempDatabase> db_;
};

}  // namespace

TEST_F(UiMemoryGuard, ARunThatWouldExhaustMemoryStopsWithOneMessage) {
  QStringList messages;
  {
    const AddressSpaceLimit limit(400ull << 20);
    messages = Run(QStringLiteral(
        "select x, printf('%0200d', x) as wide from (with recursive c(x) as"
        " (select 1 union all select x + 1 from c where x < 5000000) select x from c)"));
    ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("查詢結果太大"))) << messages.first().toStdString();
    const qsizetype kept = W().MemoOutput->lineCount();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 5000000);
    EXPECT_TRUE(messages.first().endsWith(QStringLiteral("(輸出到第 %1 筆為止)").arg(kept))) << messages.first().toStdString();
    EXPECT_TRUE(W().MemoOutput->line(kept - 1).startsWith(QStringLiteral("%1,'").arg(kept)));
  }
  // The window keeps working.
  W().ButtonClearResult->click();
  EXPECT_TRUE(Run(QStringLiteral("select k from one")).isEmpty());
  EXPECT_EQ(OutputLines(), QStringList({QStringLiteral("1")}));
}
