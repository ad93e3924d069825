#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "document/CSeriesStore.h"

using namespace halyard;

namespace {

std::string Message(int nValue, int nOther)
{
    return "PW 01 " + std::to_string(nValue) + " " + std::to_string(nOther);
}

}  // namespace

TEST(SeriesStore, EachFieldKeepsItsValuesAtTheirTimesAndTheLastMessagesFields)
{
    CSeriesStore store;
    store.Add(100, Message(5, 7));
    store.Add(101, "PW 01 /// 8");  // field 3 missing in this one
    store.Add(102, Message(6, 9));
    EXPECT_EQ(store.Fields(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(store.Decimate(3, 0, 1000, 1000), (std::vector<std::pair<double, double>>{{100, 5}, {102, 6}}));
    EXPECT_EQ(store.Decimate(4, 0, 1000, 1000),
              (std::vector<std::pair<double, double>>{{100, 7}, {101, 8}, {102, 9}}));
    ASSERT_EQ(store.LastFields().size(), 3u);
    EXPECT_EQ(store.LastFields()[1].dValue, 6);
    EXPECT_EQ(*store.Span(), std::make_pair(100.0, 102.0));
    // A time that goes back is placed at the last one.
    store.Add(50, Message(1, 1));
    EXPECT_EQ(store.Span()->second, 102.0);
    EXPECT_EQ(store.Decimate(3, 0, 1000, 1000).back(), std::make_pair(102.0, 1.0));
}

TEST(SeriesStore, AFullFieldMergesIntoMinAndMaxAndKeepsItsWholeHistoryInBoundedMemory)
{
    CSeriesStore store(64);
    std::mt19937 random(7);
    std::vector<int> values;
    for (int n = 0; n < 1000; ++n) {
        values.push_back(static_cast<int>(random() % 10000));
        store.Add(n, Message(values.back(), 0));
    }
    EXPECT_GE(store.MessagesPerPoint(3), 16u);
    const auto drawn = store.Decimate(3, 0, 999, 10000);
    EXPECT_LE(drawn.size(), 2u * 64 + 2);
    EXPECT_EQ(drawn.front().first, 0);
    // The drawn extremes of any range are the extremes of its points, to the
    // resolution held: here the whole history.
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const auto byValue = [](const auto& a, const auto& b) { return a.second < b.second; };
    EXPECT_EQ(std::min_element(drawn.begin(), drawn.end(), byValue)->second, *lowest);
    EXPECT_EQ(std::max_element(drawn.begin(), drawn.end(), byValue)->second, *highest);
    EXPECT_EQ(*store.Extent(3, 0, 999), std::make_pair(double(*lowest), double(*highest)));
    // Only the last messages' texts are held.
    const auto [messages, bWhole] = store.Messages(0, 999);
    EXPECT_FALSE(bWhole);
    EXPECT_EQ(messages.size(), 64u);
    EXPECT_EQ(messages.back().strText, Message(values.back(), 0));
    EXPECT_TRUE(store.Messages(990, 999).second);
}

TEST(SeriesStore, DecimationKeepsEachColumnsMinAndMaxInTheOrderTheyCame)
{
    CSeriesStore store;
    std::mt19937 random(11);
    std::vector<double> values;
    for (int n = 0; n < 5000; ++n) {
        values.push_back(static_cast<double>(random() % 1000));
        store.Add(n, Message(static_cast<int>(values.back()), 0));
    }
    const int nColumns = 50;
    const auto drawn = store.Decimate(3, 1000, 3999, nColumns);
    EXPECT_LE(drawn.size(), 2u * nColumns);
    EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end(),
                               [](const auto& a, const auto& b) { return a.first < b.first; }));
    // Every column's extremes are its points' extremes.
    const double dWidth = 3000.0 / nColumns;
    for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
        const double dFrom = 1000 + nColumn * dWidth;
        double dMin = 1e9;
        double dMax = -1e9;
        for (int n = static_cast<int>(std::ceil(dFrom)); n < dFrom + dWidth && n <= 3999; ++n) {
            dMin = std::min(dMin, values[static_cast<size_t>(n)]);
            dMax = std::max(dMax, values[static_cast<size_t>(n)]);
        }
        double dDrawnMin = 1e9;
        double dDrawnMax = -1e9;
        for (const auto& [dX, dY] : drawn)
            if (dX >= dFrom && dX < dFrom + dWidth) {
                dDrawnMin = std::min(dDrawnMin, dY);
                dDrawnMax = std::max(dDrawnMax, dY);
            }
        EXPECT_EQ(dDrawnMin, dMin) << "column " << nColumn;
        EXPECT_EQ(dDrawnMax, dMax) << "column " << nColumn;
    }
    EXPECT_TRUE(store.Decimate(3, 10, 5, nColumns).empty());
    EXPECT_TRUE(store.Decimate(99, 0, 5000, nColumns).empty());
}

TEST(SeriesStore, FieldsBeyondTheMostKeptAreLeftOut)
{
    CSeriesStore store;
    std::string strWide = "PW";
    for (size_t n = 0; n < CSeriesStore::MAX_FIELDS + 10; ++n)
        strWide += " " + std::to_string(n);
    store.Add(1, strWide);
    EXPECT_EQ(store.Fields().size(), CSeriesStore::MAX_FIELDS);
    EXPECT_EQ(store.LastFields().size(), CSeriesStore::MAX_FIELDS + 10);
}
