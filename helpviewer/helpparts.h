// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// What the viewer shares with its parts that run apart from the program: the reader process,
// which includes this without Qt, and the print module, loaded the first time the user prints.

// The reader's output starts with this line; its other form, the whole file at once, is the one
// the tests and the fuzzer build in memory.
inline constexpr char ChmReaderMagic[] = "PORUNKA-CHM 2\n";
inline constexpr char ChmWholeMagic[] = "PORUNKA-CHM 1\n";
// The most one file inside a help file may hold; the reader refuses larger ones.
inline constexpr std::uint64_t ChmMaxObject = std::uint64_t(16) << 20;

class QString;
class QTextDocument;
class QWidget;

// The print module's functions, looked up by these names.
extern "C" [[gnu::visibility("default")]] void porunkaPrintDocument(const QTextDocument *document, QWidget *parent,
                                                                     const QString *title);
inline constexpr char PrintFunctionName[] = "porunkaPrintDocument";
// Its other: a widget's picture, scaled to the page, printed or saved as PDF from the dialog.
extern "C" [[gnu::visibility("default")]] void porunkaPrintPicture(QWidget *picture, QWidget *parent,
                                                                    const QString *title);
inline constexpr char PrintPictureFunctionName[] = "porunkaPrintPicture";
