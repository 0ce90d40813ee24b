// Helpers of the bench tests: finding widgets by caption, reading the log box, clicking.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include "log_box.h"

namespace probedesk::test {

// The one child button of parent with this caption; nullptr when there is none or several.
template <class B = QPushButton>
B* ButtonOf(QWidget* parent, const QString& caption) {
    B* found = nullptr;
    for (B* b : parent->findChildren<B*>()) {
        if (b->text() != caption) continue;
        if (found) return nullptr;
        found = b;
    }
    return found;
}

// Clicks the button with this caption (fails the test when it is missing).
inline bool Click(QWidget* parent, const QString& caption) {
    QPushButton* b = ButtonOf(parent, caption);
    if (!b) return false;
    // click() works on panels that are not on screen (hidden tabs have no geometry to hit).
    b->click();
    return true;
}

// The lines of the log from index on, without their time prefix (log lines) or with their
// TAB TAB prefix (continuation lines).
inline QStringList Messages(const LogBox& log, qsizetype from = 0) {
    QStringList out;
    const QStringList& lines = log.Lines();
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(QStringLiteral("\t\t")))
            out.append(line);
        else
            out.append(line.section(QLatin1Char('\t'), 1));
    }
    return out;
}

inline qsizetype CountStarting(const QStringList& messages, const QString& prefix) {
    qsizetype n = 0;
    for (const QString& m : messages)
        if (m.startsWith(prefix)) ++n;
    return n;
}

}  // namespace probedesk::test
