#pragma once
// The values of the data messages' numeric fields against time, for the plot.
//
// Each field keeps at most a fixed number of points. When a field's points are
// full, neighbours are merged in pairs into one point holding their minimum
// and maximum, and from then on that many messages make one point: the whole
// history stays, at half the resolution, and memory stays bounded: a point is
// 16 bytes, and at the default capacity a field holds 36 hours at one message
// a second before its first merge and takes 2 MiB, 128 MiB for the most
// fields kept. The last messages' own texts are kept as well, as many as a
// field has points (about 17 MiB for messages of 80 characters), for an
// export of exactly what the sensor sent.
//
// The x of a message is its time in seconds (or, for records without a time,
// its number in order) and never goes back: a message that would is placed at
// the last x.

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "document/DataFields.h"

namespace halyard {

struct SeriesPoint {
    double dX = 0;
    float fMin = 0;
    float fMax = 0;
};

struct HeldMessage {
    double dX = 0;
    std::string strText;
};

class CSeriesStore {
public:
    static constexpr size_t DEFAULT_CAPACITY = size_t{1} << 17;
    // Fields beyond this many different ones are not kept.
    static constexpr size_t MAX_FIELDS = 64;

    explicit CSeriesStore(size_t nCapacity = DEFAULT_CAPACITY);

    // One data message: its x and its text (cut into fields here).
    void Add(double dX, const std::string& strMessage);
    void Clear();

    // Every field seen, in order of number.
    std::vector<int> Fields() const;
    // The numeric fields of the last message added.
    const std::vector<DataField>& LastFields() const { return m_lastFields; }
    // The first and last x held; none when nothing is.
    std::optional<std::pair<double, double>> Span() const;
    // How many messages one point of nField stands for now (1 until its first merge).
    size_t MessagesPerPoint(int nField) const;
    size_t MessageCount() const { return m_nMessages; }

    // The points of nField with dFrom <= x <= dTo, at most two a column of
    // nColumns: each column's minimum and maximum, in the order they came.
    std::vector<std::pair<double, double>> Decimate(int nField, double dFrom, double dTo, int nColumns) const;
    // The smallest and largest value of nField with dFrom <= x <= dTo.
    std::optional<std::pair<double, double>> Extent(int nField, double dFrom, double dTo) const;
    // The messages with dFrom <= x <= dTo as they came; false in .second when
    // older ones in that range are no longer held.
    std::pair<std::vector<HeldMessage>, bool> Messages(double dFrom, double dTo) const;

private:
    struct Series {
        std::vector<SeriesPoint> points;
        size_t nPerPoint = 1;
        SeriesPoint pending;
        size_t nPending = 0;
    };
    void AddValue(Series& series, double dX, float fValue);
    void Merge(Series& series);
    // The points held and the one being filled, in order.
    template <typename OnPoint>
    void ForEachPoint(const Series& series, double dFrom, double dTo, OnPoint onPoint) const;

    size_t m_nCapacity;
    std::map<int, Series> m_series;
    std::vector<DataField> m_lastFields;
    std::deque<HeldMessage> m_messages;
    std::optional<double> m_dFirstX;
    std::optional<double> m_dLastDroppedX;  // the x of the last message no longer held
    double m_dLastX = 0;
    size_t m_nMessages = 0;
};

}  // namespace halyard
