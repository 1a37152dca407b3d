#pragma once
// Smoke runs of the fuzz targets in every build: each sample of a corpus folder and many damaged copies of it go
// through the target, so the sanitizers see hostile inputs without a fuzzing build. The damage is drawn from a
// fixed seed, so every run feeds the same inputs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvo::test {

using FuzzTarget = int (*)(const uint8_t* data, size_t size);

// The contents of every file in the folder (not in its sub-folders), in name order.
std::vector<std::string> CorpusSamples(const std::string& folder);

// Feeds each sample, then `damagedCopies` copies in all, spread evenly over the samples, with bits flipped, the
// end cut off, bytes inserted or bytes overwritten. A fixed total keeps a smoke run short however the corpus
// grows; long runs are the fuzzing build's.
void FeedSamplesAndDamagedCopies(FuzzTarget target, const std::vector<std::string>& samples, int damagedCopies);

}  // namespace tarvo::test
