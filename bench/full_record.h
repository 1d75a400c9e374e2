// A full click record for the fit's benchmarks: the seeded worn-switch mixes one after another,
// a second apart, until the record holds kClickRecordSize events.
#pragma once

#include "input/click_record.h"
#include "tests/support/click_corpus.h"

inline ClickRun fullRecord(bool windowsClock) {
  ClickRun run{1, {}};
  for (std::uint32_t seed = 1; run.events.size() < kClickRecordSize; ++seed) {
    const corpus::Corpus c = corpus::make(seed);
    const std::uint64_t offset = run.events.empty() ? 0 : run.events.back().us + 1000000;
    for (const corpus::Event& e : c.events) {
      if (run.events.size() == kClickRecordSize) break;
      const std::uint64_t us = offset + e.us;
      run.events.push_back({us, corpus::tickAt(us, windowsClock), 0, e.press});
    }
  }
  return run;
}
