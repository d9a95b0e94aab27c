#pragma once
// Fixed facts about the program that more than one window shows or uses.

#include <QString>

namespace AppInfo {
// The application's title: the main window's caption and the caption of plain message windows.
inline const QString title = QStringLiteral("Tarnvel");
// The publisher's web address shown at the right end of the menu bar, and the pages it opens.
inline const QString publisherCaption = QStringLiteral("www.tarnvel.example.pl");
inline const QString publisherUrl = QStringLiteral("https://tarnvel.example.pl/");
inline const QString documentationUrl = QStringLiteral("https://tarnvel.example.pl/pomoc/");
} // namespace AppInfo
