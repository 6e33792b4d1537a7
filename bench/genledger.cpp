// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// genledger N PATH: writes a generated ledger of N entries, as the benchmarks use them.
#include "ledgergen.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int entries = args.value(1).toInt(&ok);
    if (args.size() != 3 || !ok || entries < 0)
        return 2;
    return writeFile(args[2], generatedLedger(entries)) ? 0 : 1;
}
