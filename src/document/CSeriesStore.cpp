#include "document/CSeriesStore.h"

#include <algorithm>
#include <cmath>

namespace halyard {

CSeriesStore::CSeriesStore(size_t nCapacity)
    : m_nCapacity(std::max<size_t>(nCapacity, 2))
{}

void CSeriesStore::Add(double dX, const std::string& strMessage)
{
    if (!std::isfinite(dX))
        return;
    if (m_dFirstX)
        dX = std::max(dX, m_dLastX);
    else
        m_dFirstX = dX;
    m_dLastX = dX;
    ++m_nMessages;
    m_lastFields = NumericFields(strMessage);
    for (const DataField& field : m_lastFields) {
        auto it = m_series.find(field.nField);
        if (it == m_series.end()) {
            if (m_series.size() >= MAX_FIELDS)
                continue;
            it = m_series.emplace(field.nField, Series{}).first;
        }
        AddValue(it->second, dX, static_cast<float>(field.dValue));
    }
    m_messages.push_back({dX, strMessage});
    if (m_messages.size() > m_nCapacity) {
        m_dLastDroppedX = m_messages.front().dX;
        m_messages.pop_front();
    }
}

void CSeriesStore::AddValue(Series& series, double dX, float fValue)
{
    if (series.nPending == 0) {
        series.pending = {dX, fValue, fValue};
    } else {
        series.pending.fMin = std::min(series.pending.fMin, fValue);
        series.pending.fMax = std::max(series.pending.fMax, fValue);
    }
    if (++series.nPending < series.nPerPoint)
        return;
    if (series.points.size() == m_nCapacity)
        Merge(series);
    series.points.push_back(series.pending);
    series.nPending = 0;
}

void CSeriesStore::Merge(Series& series)
{
    std::vector<SeriesPoint>& points = series.points;
    const size_t nPairs = points.size() / 2;
    for (size_t n = 0; n < nPairs; ++n) {
        const SeriesPoint& a = points[2 * n];
        const SeriesPoint& b = points[2 * n + 1];
        points[n] = {a.dX, std::min(a.fMin, b.fMin), std::max(a.fMax, b.fMax)};
    }
    // An odd last point stays as it is.
    if (points.size() % 2 != 0)
        points[nPairs] = points.back();
    points.resize(nPairs + points.size() % 2);
    series.nPerPoint *= 2;
}

void CSeriesStore::Clear()
{
    m_series.clear();
    m_lastFields.clear();
    m_messages.clear();
    m_dFirstX.reset();
    m_dLastDroppedX.reset();
    m_dLastX = 0;
    m_nMessages = 0;
}

std::vector<int> CSeriesStore::Fields() const
{
    std::vector<int> fields;
    for (const auto& entry : m_series)
        fields.push_back(entry.first);
    return fields;
}

std::optional<std::pair<double, double>> CSeriesStore::Span() const
{
    if (!m_dFirstX)
        return std::nullopt;
    return std::make_pair(*m_dFirstX, m_dLastX);
}

size_t CSeriesStore::MessagesPerPoint(int nField) const
{
    const auto it = m_series.find(nField);
    return it == m_series.end() ? 1 : it->second.nPerPoint;
}

template <typename OnPoint>
void CSeriesStore::ForEachPoint(const Series& series, double dFrom, double dTo, OnPoint onPoint) const
{
    const auto first = std::lower_bound(series.points.begin(), series.points.end(), dFrom,
                                        [](const SeriesPoint& point, double dX) { return point.dX < dX; });
    for (auto it = first; it != series.points.end() && it->dX <= dTo; ++it)
        onPoint(*it);
    if (series.nPending > 0 && series.pending.dX >= dFrom && series.pending.dX <= dTo)
        onPoint(series.pending);
}

std::vector<std::pair<double, double>> CSeriesStore::Decimate(int nField, double dFrom, double dTo,
                                                              int nColumns) const
{
    std::vector<std::pair<double, double>> drawn;
    const auto it = m_series.find(nField);
    if (it == m_series.end() || nColumns < 1 || !(dTo >= dFrom))
        return drawn;
    const double dWidth = (dTo - dFrom) / nColumns;
    long nColumn = -1;
    // The column's lowest and highest point, and when each came in it.
    SeriesPoint low;
    SeriesPoint high;
    int nLowAt = 0;
    int nHighAt = 0;
    int nInColumn = 0;
    const auto flush = [&] {
        if (nColumn < 0)
            return;
        const bool bLowFirst = nLowAt <= nHighAt;
        drawn.emplace_back(bLowFirst ? low.dX : high.dX, bLowFirst ? low.fMin : high.fMax);
        if (low.fMin != high.fMax)
            drawn.emplace_back(bLowFirst ? high.dX : low.dX, bLowFirst ? high.fMax : low.fMin);
    };
    ForEachPoint(it->second, dFrom, dTo, [&](const SeriesPoint& point) {
        const long nAt = dWidth > 0 ? std::min<long>(static_cast<long>((point.dX - dFrom) / dWidth), nColumns - 1) : 0;
        if (nAt != nColumn) {
            flush();
            nColumn = nAt;
            low = high = point;
            nLowAt = nHighAt = nInColumn = 0;
            return;
        }
        ++nInColumn;
        if (point.fMin < low.fMin) {
            low = point;
            nLowAt = nInColumn;
        }
        if (point.fMax > high.fMax) {
            high = point;
            nHighAt = nInColumn;
        }
    });
    flush();
    return drawn;
}

std::optional<std::pair<double, double>> CSeriesStore::Extent(int nField, double dFrom, double dTo) const
{
    const auto it = m_series.find(nField);
    if (it == m_series.end())
        return std::nullopt;
    std::optional<std::pair<double, double>> extent;
    ForEachPoint(it->second, dFrom, dTo, [&](const SeriesPoint& point) {
        if (!extent)
            extent = std::make_pair(double{point.fMin}, double{point.fMax});
        extent->first = std::min<double>(extent->first, point.fMin);
        extent->second = std::max<double>(extent->second, point.fMax);
    });
    return extent;
}

std::pair<std::vector<HeldMessage>, bool> CSeriesStore::Messages(double dFrom, double dTo) const
{
    std::vector<HeldMessage> messages;
    for (const HeldMessage& message : m_messages)
        if (message.dX >= dFrom && message.dX <= dTo)
            messages.push_back(message);
    const bool bWhole = !m_dLastDroppedX || dFrom > *m_dLastDroppedX;
    return {std::move(messages), bWhole};
}

}  // namespace halyard
