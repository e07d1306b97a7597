#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "unit/frame_steps.h"
#include "unit_fixture.h"

namespace tims::testing {
namespace {

using Digits = std::array<int32_t, 4>;

TEST(KmPostDigits, ShowHundredsTensAndKilometresAndHundredsOfMetres) {
  EXPECT_EQ(kmPostDigitsFor(123456.0), (Digits{1, 2, 3, 4}));
  EXPECT_EQ(kmPostDigitsFor(12345.0), (Digits{10, 1, 2, 3}));
  EXPECT_EQ(kmPostDigitsFor(5000.0), (Digits{10, 10, 5, 0}));
  EXPECT_EQ(kmPostDigitsFor(10000.0), (Digits{10, 1, 0, 0}));
  EXPECT_EQ(kmPostDigitsFor(999.9), (Digits{10, 10, 0, 9}));
}

TEST(KmPostDigits, NegativeAndNanReadAsZeroAndHugeValuesSaturate) {
  const Digits zero = kmPostDigitsFor(0.0);
  EXPECT_EQ(zero, (Digits{10, 10, 0, 0}));
  EXPECT_EQ(kmPostDigitsFor(-250.0), zero);
  EXPECT_EQ(kmPostDigitsFor(std::nan("")), zero);
  EXPECT_EQ(kmPostDigitsFor(-std::numeric_limits<double>::infinity()), zero);
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const Digits saturated{kMax / 100000, kMax, kMax - 470, kMax % 10};
  EXPECT_EQ(kmPostDigitsFor(std::numeric_limits<double>::infinity()), saturated);
  EXPECT_EQ(kmPostDigitsFor(1e300), saturated);
}

class IcLinePosition : public UnitFixture {
 protected:
  void startAt(double kmPost, bool ascending) {
    unit.catalogue.icRows.push_back(cardRowOf(1, kNoTimeHhmmss, 100000, 10.0));
    unit.catalogue.icRows.push_back(cardRowOf(2, 100500, kNoTimeHhmmss, 1.0));
    unit.catalogue.icRows[0].kmPost = kmPost;
    unit.catalogue.icRows[0].kmAscending = ascending;
    unit.icCardActive = true;
    updateStationList(unit, 0);
  }
};

TEST_F(IcLinePosition, GrowsWithTravelWhenAscending) {
  startAt(99.95, true);
  runFrame(100.0);
  EXPECT_DOUBLE_EQ(unit.kmPostBase, 100050.0);
  EXPECT_EQ(unit.kmPostDigits, (Digits{1, 0, 0, 0}));
}

TEST_F(IcLinePosition, ShrinksWhenDescendingAndStopsAtZero) {
  startAt(0.05, false);
  runFrame(30.0);
  EXPECT_DOUBLE_EQ(unit.kmPostBase, 20.0);
  runFrame(30.0);
  EXPECT_DOUBLE_EQ(unit.kmPostBase, 0.0);
  EXPECT_EQ(unit.kmPostDigits, (Digits{10, 10, 0, 0}));
}

TEST_F(IcLinePosition, NanDistanceShowsZeroDigits) {
  startAt(12.0, true);
  runFrame(std::nan(""));
  EXPECT_EQ(unit.kmPostDigits, (Digits{10, 10, 0, 0}));
}

using BeaconLinePosition = UnitFixture;

TEST_F(BeaconLinePosition, InfiniteLocationSaturatesAndNanReadsAsZero) {
  unit.beaconTrainNumberSet = true;
  plugin.state.location = std::numeric_limits<double>::infinity();
  runFrame(0.0);
  EXPECT_EQ(unit.kmPostDigits[1], std::numeric_limits<int32_t>::max());
  plugin.state.location = std::nan("");
  runFrame(0.0);
  EXPECT_EQ(unit.kmPostDigits, (Digits{10, 10, 0, 0}));
}

}  // namespace
}  // namespace tims::testing
