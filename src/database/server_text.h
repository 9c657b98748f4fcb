#pragma once
// Reading values that a server hands over as text (PostgreSQL's dates and
// money): shared by every path that talks to such a server.
#include <QByteArray>
#include <QString>

// A date or time as PostgreSQL writes it (ISO). Text with a four-digit year
// that names a real date or time is kept, without the time-zone offset (as
// the ODBC structures leave it out); ISO-shaped text that names none
// ("0000-00-00", psqlODBC's text for a date it cannot convert) cannot be
// shown; anything else ("infinity", BC dates, years past 9999) is the
// engine's own text and is shown as it is.
enum class ServerDate { Representable, EngineText, Unrepresentable };
ServerDate NormalizeServerDateText(QByteArray& text);

// A money text formatted for display ("$1,234.50", "(12.00)") as a number;
// false when it is not plainly one, so that nothing becomes a wrong number.
bool ParseMoneyText(const QString& text, double& value);
