// SPDX-License-Identifier: MIT
// The outages and the gaps without records, in time order, as a table: what,
// from, to and how long. A file of years may hold thousands of them, so the
// rows are made as the view asks for them.
#pragma once

#include "history/TimeSpans.h"

#include <QAbstractTableModel>

class SpanListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setSpans(const std::vector<history::TimeSpan>& outages, const std::vector<history::TimeSpan>& gaps);
    history::TimeSpan span(int row) const { return m_rows[size_t(row)].span; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        history::TimeSpan span;
        bool outage;
    };
    std::vector<Row> m_rows;
};
