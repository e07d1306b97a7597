// The prefix and suffix codes of a train number: the code a type-1000 beacon carries for the card
// file name, the Shift-JIS text in the file name and on the card, and the display code the panel
// shows. One table each, read by the file-name builder, the train-number conversion and the views.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tims {

inline constexpr int32_t kBlankTrainCode = 50;   // no prefix / no suffix on the display
inline constexpr int32_t kBlankTrainDigit = 10;  // a digit position without a digit
inline constexpr int32_t kNoFileCode = -1;       // a display text that no beacon can name

struct TrainNumberCode {
  int32_t fileCode;       // P or S of the beacon value
  std::string_view text;  // Shift-JIS bytes
  int32_t displayCode;
};

// Prefix texts are one or two double-byte characters.
inline constexpr std::array<TrainNumberCode, 43> kPrefixCodes{{
    {1, "\x89\xD7", 1},                         // 荷
    {2, "\x8D\xAC", 2},                         // 混
    {3, "\x89\xF1", 3},                         // 回
    {4, "\x8E\x8E", 4},                         // 試
    {5, "\x8D\x48", 5},                         // 工
    {6, "\x90\xE1", 6},                         // 雪
    {7, "\x8B\x7E", 7},                         // 救
    {8, "\x94\x7A", 8},                         // 配
    {9, "\x92\x50", 9},                         // 単
    {10, "\x8E\x8E\x92\x50", 10},               // 試単
    {11, "\x89\x84", 11},                       // 延
    {12, "\x89\x84\x89\xD7", 12},               // 延荷
    {13, "\x89\x84\x8D\xAC", 13},               // 延混
    {14, "\x89\x84\x89\xF1", 14},               // 延回
    {15, "\x89\x84\x8E\x8E", 15},               // 延試
    {16, "\x89\x84\x8D\x48", 16},               // 延工
    {17, "\x89\x84\x94\x7A", 17},               // 延配
    {18, "\x89\x84\x92\x50", kBlankTrainCode},  // 延単: a file name, but the display has no symbol
    {19, "\x82\xA4", 18},                       // う
    {20, "\x82\xA4\x89\xD7", 19},               // う荷
    {21, "\x82\xA4\x89\xF1", 20},               // う回
    {22, "\x8D\x5C\x89\xF1", 21},               // 構回
    {23, "\x8D\x5C\x92\x50", 22},               // 構単
    {24, "\x8D\x5C\x89\xDD", 23},               // 構貨
    {25, "\x8E\x8E\x90\xE1", 24},               // 試雪
    {26, "\x89\xF1\x90\xE1", 25},               // 回雪
    {27, "\x8D\x5C\x94\x7A", 26},               // 構配
    {28, "\x93\xFC", 27},                       // 入
    {29, "\x8F\x6F", 28},                       // 出
    {30, "\x8D\xDD", 29},                       // 在
    {31, "\x93\x5D", 30},                       // 転
    {32, "\x8C\xBB", 31},                       // 現
    {33, "\x8C\xBB\x92\x50", 32},               // 現単
    {34, "\x8C\xBB\x89\xF1", 33},               // 現回
    {35, "\x8C\xBB\x8E\x8E", 34},               // 現試
    {36, "\x8C\xBB\x94\x7A", 35},               // 現配
    {37, "\x89\xFC", 36},                       // 改
    {38, "\x89\xFC\x92\x50", 37},               // 改単
    {39, "\x89\xFC\x89\xF1", 38},               // 改回
    {40, "\x89\xFC\x8E\x8E", 39},               // 改試
    {41, "\x89\xFC\x94\x7A", 40},               // 改配
    {42, "\x82\xA4\x92\x50", 41},               // う単
    {43, "\x8D\x5C\x8E\x8E", 42},               // 構試
}};

// Suffix texts: one ASCII letter (display codes 0..24) or two bytes (25..33), either a
// double-byte character or two letters. V has a display code but no beacon code.
inline constexpr std::array<TrainNumberCode, 34> kSuffixCodes{{
    {0, "A", 0},
    {1, "B", 1},
    {2, "C", 2},
    {3, "E", 3},
    {4, "F", 4},
    {5, "G", 5},
    {6, "H", 6},
    {7, "K", 7},
    {8, "M", 8},
    {9, "P", 9},
    {10, "R", 10},
    {11, "S", 11},
    {12, "T", 12},
    {13, "Y", 13},
    {14, "Z", 14},
    {15, "I", 15},
    {16, "J", 16},
    {17, "L", 17},
    {18, "N", 18},
    {19, "O", 19},
    {20, "Q", 20},
    {21, "U", 21},
    {kNoFileCode, "V", 22},
    {22, "W", 23},
    {23, "X", 24},
    {24, "\x8D\x62", 25},  // 甲
    {25, "\x89\xB3", 26},  // 乙
    {26, "\x95\xB8", 27},  // 丙
    {27, "\x83\x66", 28},  // デ
    {28, "KR", 29},
    {29, "SR", 30},
    {30, "HB", 31},
    {31, "CK", 32},
    {32, "\x93\xFC", 33},  // 入
}};

// The row whose beacon code is `fileCode`, or nullptr.
constexpr const TrainNumberCode* findByFileCode(const auto& table, int32_t fileCode) {
  if (fileCode == kNoFileCode) return nullptr;
  for (const TrainNumberCode& row : table) {
    if (row.fileCode == fileCode) return &row;
  }
  return nullptr;
}

// The row whose text is exactly `text`, or nullptr.
constexpr const TrainNumberCode* findByText(const auto& table, std::string_view text) {
  for (const TrainNumberCode& row : table) {
    if (row.text == text) return &row;
  }
  return nullptr;
}

// The row whose display code is `displayCode`, or nullptr (for showing a code as text). The
// blank code has no text.
constexpr const TrainNumberCode* findByDisplayCode(const auto& table, int32_t displayCode) {
  if (displayCode == kBlankTrainCode) return nullptr;
  for (const TrainNumberCode& row : table) {
    if (row.displayCode == displayCode) return &row;
  }
  return nullptr;
}

static_assert(findByFileCode(kPrefixCodes, 10)->text == "\x8E\x8E\x92\x50");
static_assert(findByFileCode(kSuffixCodes, 22)->displayCode == 23);

}  // namespace tims
