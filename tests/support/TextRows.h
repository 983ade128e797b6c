// SPDX-License-Identifier: MIT
// Table rows of texts only: a name, then one text per column.
#pragma once

#include <QString>
#include <QTest>

template <class... Texts> void row(const char* name, const Texts&... texts) {
    (QTest::newRow(name) << ... << QString(texts));
}
