// Writes the vehicle authors' panel slot reference from the slot table:
//   panel-slot-doc [output path]   (standard output without a path)
#include <cstdio>
#include <fstream>
#include <iostream>

#include "panel/panel_slot_doc.h"

int main(int argc, char** argv) {
  const std::string text = tims::panelSlotDocument();
  if (argc < 2) {
    std::cout << text;
    return std::cout ? 0 : 1;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << text;
  if (!out) {
    std::fprintf(stderr, "panel-slot-doc: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
