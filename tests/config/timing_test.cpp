// The timing model: DIFS, the control-frame bands, the data frame in whole OFDM symbols, the
// contention phase and the success and collision durations for every RTS/CTS setting, against
// durations worked out by hand in microseconds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_util.h"
#include "config/timing.h"
#include "core/state.h"

namespace {

const double kUs = 1e-6;
const double kTolerance = 1e-12;  // seconds

struct EXPECTED_TIMES {
  double difs, t_cont, t_succ, t_coll;  // microseconds
};

void ExpectTimes(const std::vector<std::string> &words, EXPECTED_TIMES us, double given_delta = 0) {
  ParseWords(words);
  delta = given_delta;
  ComputeTiming();
  std::string label;
  for (const std::string &word : words) label += word + " ";
  SCOPED_TRACE(label);
  EXPECT_NEAR(difs, us.difs * kUs, kTolerance);
  EXPECT_NEAR(t_cont, us.t_cont * kUs, kTolerance);
  EXPECT_NEAR(t_succ, us.t_succ * kUs, kTolerance);
  EXPECT_NEAR(t_coll, us.t_coll * kUs, kTolerance);
}

// Built-in values: 6 Mbit/s (24 bits per symbol), 8184 + 278 = 8462 bits in 353 symbols, so the
// data frame takes 20 + 4 * 353 = 1432 us; CTS/ACK 40 us, RTS 48 us; slot 8, SIFS 16, DIFS 24;
// three rounds of two slots make 48 us of contention.
TEST(TimingTest, BuiltInValuesWithoutRtsCts) {
  // 48 + 1432 + 16 + 40 + 16; a collision costs as much as a success.
  ExpectTimes({}, {24, 48, 1552, 1552});
}

TEST(TimingTest, EachRtsCtsSetting) {
  // With the exchange: 48 + 48 + 16 + 40 + 16 + 1432 + 16 + 40 + 24; collision 48 + 48 + 24.
  ExpectTimes({"no_rts=0"}, {24, 48, 1680, 120});
  // Variable-size frames: 48 + 1432 + 16 + 40 + 24; collision 48 + 1432 + 24.
  ExpectTimes({"no_rts=2"}, {24, 48, 1560, 1504});
  // Every other value means the exchange.
  ExpectTimes({"no_rts=3"}, {24, 48, 1680, 120});
  ExpectTimes({"no_rts=-1"}, {24, 48, 1680, 120});
}

// At 11,999,999 bit/s a symbol carries 47.999996 bits: 8462 bits need 177 symbols (728 us), as
// at 12 Mbit/s; at 23,999,999 and 24,000,000 bit/s, 89 symbols (376 us).
TEST(TimingTest, ControlFrameBandsChangeAtTwelveAndTwentyFourMegabits) {
  // Lowest band: RTS 48, CTS/ACK 40. 48 + 48 + 16 + 40 + 16 + 728 + 16 + 40 + 24.
  ExpectTimes({"no_rts=0", "B=11999999"}, {24, 48, 976, 120});
  // Middle band: RTS 36, CTS/ACK 32. 48 + 36 + 16 + 32 + 16 + 728 + 16 + 32 + 24.
  ExpectTimes({"no_rts=0", "B=12000000"}, {24, 48, 948, 108});
  ExpectTimes({"no_rts=0", "B=23999999"}, {24, 48, 596, 108});
  // Top band: RTS and CTS/ACK 28. 48 + 28 + 16 + 28 + 16 + 376 + 16 + 28 + 24.
  ExpectTimes({"no_rts=0", "B=24000000"}, {24, 48, 580, 100});
}

TEST(TimingTest, DataFrameRoundsUpToWholeSymbols) {
  // 8122 + 278 = 8400 bits fill exactly 350 symbols at 6 Mbit/s: 20 + 1400 = 1420 us.
  ExpectTimes({"DATA=8122"}, {24, 48, 1540, 1540});
  // At 12 Mbit/s exactly 175 symbols (720 us); one bit/s less needs a 176th symbol (724 us).
  ExpectTimes({"DATA=8122", "B=12000000"},
              {24, 48, 48 + 720 + 16 + 32 + 16, 48 + 720 + 16 + 32 + 16});
  ExpectTimes({"DATA=8122", "B=11999999"},
              {24, 48, 48 + 724 + 16 + 40 + 16, 48 + 724 + 16 + 40 + 16});
  // The application header travels with the payload: 8562 bits, 357 symbols, 1448 us.
  ExpectTimes({"APP=100"}, {24, 48, 1568, 1568});
}

TEST(TimingTest, FixedAckRateSendsCtsAndAckAtTheLowestRate) {
  // Top band: RTS 28 but CTS/ACK 40. 48 + 28 + 16 + 40 + 16 + 376 + 16 + 40 + 24.
  ExpectTimes({"no_rts=0", "B=24000000", "fixed_ack_rate=1"}, {24, 48, 604, 100});
  // Middle band: RTS 36, CTS/ACK 40. 48 + 36 + 16 + 40 + 16 + 728 + 16 + 40 + 24.
  ExpectTimes({"no_rts=0", "B=12000000", "fixed_ack_rate=1"}, {24, 48, 964, 108});
  // Lowest band: unchanged.
  ExpectTimes({"no_rts=0", "fixed_ack_rate=1"}, {24, 48, 1680, 120});
}

// ath_real: RTS 48 + 4, CTS 40 - 2.4, ACK 40 + 4; the frame carries 280 overhead bits (8464 bits,
// 353 symbols) and one more symbol: 20 + 1412 + 4 = 1436 us.
TEST(TimingTest, AthRealAddsASymbolAndShortensCts) {
  // 48 + 52 + 16 + 37.6 + 16 + 1436 + 16 + 44 + 24; collision 48 + 52 + 24.
  ExpectTimes({"no_rts=0", "ath_real=1"}, {24, 48, 1689.6, 124});
  // 48 + 1436 + 16 + 44 + 16.
  ExpectTimes({"ath_real=1"}, {24, 48, 1560, 1560});
  // 48 + 1436 + 16 + 44 + 24; collision 48 + 1436 + 24.
  ExpectTimes({"no_rts=2", "ath_real=1"}, {24, 48, 1568, 1508});
  // 8193 bits of data: 8471 bits fit in 353 symbols, but 8473 need 354 (20 + 1416 + 4 us).
  ExpectTimes({"DATA=8193"}, {24, 48, 1552, 1552});
  ExpectTimes({"DATA=8193", "ath_real=1"}, {24, 48, 1564, 1564});
}

TEST(TimingTest, ContentionPhaseCountsEveryRound) {
  // Without feedback slots the phase halves: 24 + 1432 + 16 + 40 + 16.
  ExpectTimes({"no_feedback=1"}, {24, 24, 1528, 1528});
  // Five rounds of two slots: 80 + 1432 + 16 + 40 + 16.
  ExpectTimes({"ns=5"}, {24, 80, 1584, 1584});
  // A three-value list sets three rounds whatever ns says.
  ExpectTimes({"ns=7", "pt=0.5,0.5,0.5"}, {24, 48, 1552, 1552});
  // Slot 9 us and SIFS 10 us: DIFS 19, contention 54. 54 + 1432 + 10 + 40 + 19; 54 + 1432 + 19.
  ExpectTimes({"no_rts=2", "ts=9e-6", "sifs=10e-6"}, {19, 54, 1555, 1505});
}

TEST(TimingTest, GivenDifsIsKeptUnlessZero) {
  // 48 + 1432 + 16 + 40 + 10; collision 48 + 1432 + 10.
  ExpectTimes({"no_rts=2", "difs=1e-05"}, {10, 48, 1546, 1490});
  ExpectTimes({"no_rts=2", "difs=0"}, {24, 48, 1560, 1504});
  // A negative DIFS is used as given.
  ExpectTimes({"no_rts=2", "difs=-5e-06"}, {-5, 48, 1531, 1475});
  // With the exchange DIFS ends both durations: 48 + 48 + 16 + 40 + 16 + 1432 + 16 + 40 + 10.
  ExpectTimes({"no_rts=0", "difs=1e-05"}, {10, 48, 1666, 106});
}

TEST(TimingTest, FrameDelayIsAddedToEveryFrame) {
  // One microsecond more on RTS, CTS, data and ACK: four in a success, one in a collision.
  ExpectTimes({"no_rts=0"}, {24, 48, 1684, 121}, 1e-6);
  // Without the exchange the data frame and the ACK take it.
  ExpectTimes({}, {24, 48, 1554, 1554}, 1e-6);
}

TEST(TimingTest, SetUpComputesTheTimesOnce) {
  PrepareSimulation({"debug=1", "no_rts=0"});
  EXPECT_NEAR(difs, 24 * kUs, kTolerance);
  EXPECT_NEAR(t_succ, 1680 * kUs, kTolerance);
  EXPECT_NEAR(t_coll, 120 * kUs, kTolerance);
}

}  // namespace
