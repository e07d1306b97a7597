#include "iccard/card_reader.h"

namespace tims {

void resetCard(IcCardCatalogue& card) {
  card.record0Text = "NULL";
  card.trainNumberText = "NULL";
  card.record4Text = "NULL";
  card.pointRecords.clear();
  card.sectionRecords.clear();
  card.icRows.clear();
  card.secondTrainNumberText = "NULL";
  card.secondTrainTimeA = kNoTimeHhmmss;
  card.secondTrainTimeB = kNoTimeHhmmss;
  card.secondTrainValue = 0;
  card.record8Value = 0;
  card.record11Text = "NULL";
  card.record11Value = 0;
}

}  // namespace tims
