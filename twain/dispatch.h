// Triplet dispatch: the protocol as a table with one row per DAT and group of
// MSGs. A row says in which protocol states its triplet is accepted, what
// null data gets, which prefix a refusal's report carries and which handler
// does the work; Dispatch makes those checks once, in the row's order, so the
// handlers keep only their work and the checks that depend on what the data
// or the pictures hold.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/twain.h"

namespace twain {

class Source;
struct DispatchRow;

// The per-call record every handler receives.
struct TripletMessage {
  TW_IDENTITY* origin;
  TW_UINT32 dg;
  TW_UINT16 dat;
  TW_UINT16 msg;
  TW_MEMREF data;
};

// A handler's own refusals go through Refuse(source, row, code) with the row it was called for.
using Handler = TW_UINT16 (*)(Source& source, TripletMessage& message, const DispatchRow& row);

// The MSGs a row answers. A row that lists none answers every MSG the rows
// before it of the same DAT do not: each DAT's rows end with one.
class Msgs {
 public:
  template <std::same_as<TW_UINT16>... Msg>
  constexpr Msgs(Msg... msgs) : list_{msgs...}, count_(sizeof...(Msg)) {
    static_assert(sizeof...(Msg) <= kMost, "a row lists at most four MSGs");
  }

  constexpr bool Answers(TW_UINT16 msg) const {
    if (count_ == 0) return true;
    for (std::size_t i = 0; i < count_; ++i) {
      if (list_[i] == msg) return true;
    }
    return false;
  }
  constexpr bool AnswersEveryOther() const { return count_ == 0; }

 private:
  static constexpr std::size_t kMost = 4;
  std::array<TW_UINT16, kMost> list_{};
  std::size_t count_;
};

// Every MSG a DAT's earlier rows do not list.
inline constexpr Msgs kOtherMsgs{};

// The protocol states in which a row accepts its triplet, from 3 (opened by
// the manager) to 7 (transferring); outside them it is TWCC_SEQERROR.
struct States {
  int first;
  int last;
  constexpr bool Hold(int state) const { return state >= first && state <= last; }
};

inline constexpr States kAnyState{3, 7};

// What a row does with null data.
enum class NullData : std::uint8_t {
  kRefused,      // TWCC_BADVALUE, reported with the row's prefix
  kPassed,       // the handler reads no data, or checks it itself
  kNothingToDo,  // TWRC_SUCCESS at once: there is nothing to fill or take
};

// The order of a row's state and data checks.
enum class CheckOrder : std::uint8_t { kStateFirst, kDataFirst };

struct DispatchRow {
  TW_UINT16 dat;
  const char* name;  // the handlers' name, written to the trace once the DAT is found
  Msgs msgs;
  States states;
  NullData nullData;
  const char* prefix;  // a refusal's report prefix; nullptr: the condition code alone, no report
  Handler handler;     // nullptr: no such MSG, TWCC_BADPROTOCOL once the row's checks passed
  CheckOrder order = CheckOrder::kStateFirst;
  const char* step = nullptr;  // written to the trace after the name, before the checks
};

// The rows of DG_CONTROL and DG_IMAGE, in search order.
std::span<const DispatchRow> ControlTable();
std::span<const DispatchRow> ImageTable();

// Finds the first row of the message's DAT that answers its MSG and runs the
// row's checks and handler. An unknown DAT fails with TWCC_BADPROTOCOL and no report.
TW_UINT16 Dispatch(Source& source, TripletMessage& message, std::span<const DispatchRow> table);

// Fails with `conditionCode`, reported with the row's prefix when it has one.
TW_UINT16 Refuse(Source& source, const DispatchRow& row, TW_UINT16 conditionCode);

}  // namespace twain
