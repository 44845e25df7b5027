#pragma once

#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

// Whether line is a well-formed "Timing: ..." line, with a TLS phase exactly when tls, and
// its total at least the sum of its phases.
inline testing::AssertionResult IsTimingLine(const QString& line, bool tls)
{
    static const QRegularExpression shape(QStringLiteral(
        "^Timing: name lookup (\\d+\\.\\d) ms, connect (\\d+\\.\\d) ms, (?:TLS (\\d+\\.\\d) ms, )?"
        "request sent (\\d+\\.\\d) ms, first byte (\\d+\\.\\d) ms, total (\\d+\\.\\d) ms$"));
    const QRegularExpressionMatch m = shape.match(line);
    if (!m.hasMatch())
        return testing::AssertionFailure() << "not a timing line: " << line.toStdString();
    if (m.hasCaptured(3) != tls)
        return testing::AssertionFailure() << "TLS phase " << (tls ? "missing" : "unexpected");
    // Tenths of a millisecond, so the sum is exact.
    const auto tenths = [&m](int i) {
        return qRound(m.captured(i).toDouble() * 10);
    };
    const int phases = tenths(1) + tenths(2) + (tls ? tenths(3) : 0) + tenths(4) + tenths(5);
    if (tenths(6) < phases)
        return testing::AssertionFailure()
            << "total below the sum of phases: " << line.toStdString();
    return testing::AssertionSuccess();
}
