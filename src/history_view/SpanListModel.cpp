// SPDX-License-Identifier: MIT
#include "SpanListModel.h"

#include "HistoryViewText.h"
#include "history/HistorySummary.h"
#include "history/HistoryText.h"

#include <algorithm>

namespace {

enum Column { Kind, From, To, Length, ColumnCount };

} // namespace

void SpanListModel::setSpans(const std::vector<history::TimeSpan>& outages,
                             const std::vector<history::TimeSpan>& gaps) {
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(outages.size() + gaps.size());
    for (const history::TimeSpan& span : outages)
        m_rows.push_back({span, true});
    for (const history::TimeSpan& span : gaps)
        m_rows.push_back({span, false});
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const Row& a, const Row& b) { return a.span.from < b.span.from; });
    endResetModel();
}

int SpanListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SpanListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SpanListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const Row& row = m_rows[size_t(index.row())];
    switch (index.column()) {
    case Kind:
        return row.outage ? HistoryText::Outage : HistoryText::Gap;
    case From:
        return history::FormatTime(row.span.from);
    case To:
        return history::FormatTime(row.span.to);
    default:
        return history::FormatDuration(row.span.length());
    }
}

QVariant SpanListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    const QString* headers[] = {&HistoryViewText::SpanKind, &HistoryViewText::SpanFrom, &HistoryViewText::SpanTo,
                                &HistoryViewText::SpanLength};
    return *headers[section];
}
