// Card files: the input is a card file. Read from disk it must load exactly the records that its
// lines give one by one, whatever its bytes, line ends and lengths.
//
// An input that starts with 0xFF is shifted behind a line of about a megabyte so that its bytes
// straddle the end of the reader's first chunk; the byte after 0xFF says how far.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "iccard/card_reader.h"

namespace {

using namespace tims;

constexpr std::size_t kReaderChunk = std::size_t{1} << 20;  // as the card reader reads

bool sameRow(const IcRow& a, const IcRow& b) {
  return a.value16 == b.value16 && a.text20 == b.text20 && a.runSeconds == b.runSeconds &&
         a.stationName == b.stationName && a.rowKind == b.rowKind &&
         a.arrivalTime == b.arrivalTime && a.departureTime == b.departureTime &&
         a.text19 == b.text19 && a.track == b.track && a.valueList == b.valueList &&
         a.kmPost == b.kmPost && a.hidden == b.hidden && a.sectionKm == b.sectionKm &&
         a.announceKind == b.announceKind && a.valueC == b.valueC && a.valueD == b.valueD &&
         a.sectionCode == b.sectionCode && a.text15 == b.text15 && a.kmAscending == b.kmAscending &&
         a.stationId == b.stationId;
}

bool samePoints(const IcCardCatalogue& a, const IcCardCatalogue& b) {
  if (a.pointRecords.size() != b.pointRecords.size()) return false;
  for (std::size_t i = 0; i < a.pointRecords.size(); ++i) {
    const IcPointRecord& p = a.pointRecords[i];
    const IcPointRecord& q = b.pointRecords[i];
    if (p.rowIndex != q.rowIndex || p.startKm != q.startKm || p.endKm != q.endKm ||
        p.kind != q.kind) {
      return false;
    }
  }
  return true;
}

bool sameSections(const IcCardCatalogue& a, const IcCardCatalogue& b) {
  if (a.sectionRecords.size() != b.sectionRecords.size()) return false;
  for (std::size_t i = 0; i < a.sectionRecords.size(); ++i) {
    const IcSectionRecord& s = a.sectionRecords[i];
    const IcSectionRecord& t = b.sectionRecords[i];
    if (s.rowIndex != t.rowIndex || s.fromKm != t.fromKm || s.toKm != t.toKm ||
        s.zoneLengthKm != t.zoneLengthKm || s.value != t.value) {
      return false;
    }
  }
  return true;
}

bool sameRows(const IcCardCatalogue& a, const IcCardCatalogue& b) {
  if (a.icRows.size() != b.icRows.size()) return false;
  for (std::size_t i = 0; i < a.icRows.size(); ++i) {
    if (!sameRow(a.icRows[i], b.icRows[i])) return false;
  }
  return true;
}

bool sameCard(const IcCardCatalogue& a, const IcCardCatalogue& b) {
  return a.record0Text == b.record0Text && a.trainNumberText == b.trainNumberText &&
         a.record4Text == b.record4Text && samePoints(a, b) && sameSections(a, b) &&
         sameRows(a, b) && a.secondTrainNumberText == b.secondTrainNumberText &&
         a.secondTrainTimeA == b.secondTrainTimeA && a.secondTrainTimeB == b.secondTrainTimeB &&
         a.secondTrainValue == b.secondTrainValue && a.record8Value == b.record8Value &&
         a.record11Text == b.record11Text && a.record11Value == b.record11Value &&
         a.record1ValueA == b.record1ValueA && a.record1ValueB == b.record1ValueB;
}

// The card text the input stands for, and what goes in front of it in the file: nothing, or a
// line that is no record so that only the card text decides the records.
struct CardBytes {
  std::string_view text;
  std::size_t paddingLength;
};

CardBytes cardBytes(const uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (size < 2 || data[0] != 0xFF) return {input, 0};
  return {input.substr(2), kReaderChunk - data[1]};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFolder folder("card-file");
  const CardBytes card = cardBytes(data, size);
  std::string bytes;
  if (card.paddingLength > 0) {
    bytes.assign(card.paddingLength - 1, 'x');
    bytes += '\n';
  }
  bytes += card.text;

  IcCardCatalogue byLines;
  std::size_t lines = 0;
  fuzz::forEachLine(card.text, [&](std::string_view line) {
    readCardLine(byLines, line);
    ++lines;
  });
  TIMS_FUZZ_CHECK(
      byLines.icRows.size() + byLines.pointRecords.size() + byLines.sectionRecords.size() <= lines);

  const auto path = folder.path() / "card.csv";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    TIMS_FUZZ_CHECK(out.good());
  }
  IcCardCatalogue fromFile;
  TIMS_FUZZ_CHECK(readCardFile(fromFile, path));
  TIMS_FUZZ_CHECK(sameCard(byLines, fromFile));

  // A reset leaves the values that outlive a card and clears the rest.
  resetCard(fromFile);
  TIMS_FUZZ_CHECK(fromFile.icRows.empty() && fromFile.pointRecords.empty() &&
                  fromFile.sectionRecords.empty());
  TIMS_FUZZ_CHECK(fromFile.record1ValueA == byLines.record1ValueA &&
                  fromFile.record1ValueB == byLines.record1ValueB);
  return 0;
}
