#pragma once
// Process-wide tuning values shared by every analyser; each takes effect on
// its next use. Changed through IDA_Tuning (atomic exchange).
#include <atomic>
#include <cstdint>

namespace engine::tuning {

// The idle wait has no "infinite" here: a wait for the worker that lasts
// longer than this is treated as a time-out by waitProcessed.
constexpr std::uint32_t kDefaultIdleWaitMs = 600000;

inline std::atomic<int> priorityKind{2};  // 0 idle, 1 lowest, 2 normal, 3 highest
inline std::atomic<int> nestingLimit{0};  // init() sets 5
inline std::atomic<std::uint32_t> writeChunkSize{1048576};
inline std::atomic<std::uint32_t> unknownFlushSize{1024};
inline std::atomic<std::uint32_t> readWaitMs{50};
inline std::atomic<std::uint32_t> readRetries{3};
inline std::atomic<std::uint32_t> idleWaitMs{kDefaultIdleWaitMs};
inline std::atomic<int> boundedBuffer{0};
inline std::atomic<std::uint32_t> boundedBlocks{3};
inline std::atomic<int> switches[5] = {0, 0, 0, 0, 0};
// A nested analyser that runs no thread keeps at most this many bytes of
// the unknown data it is given (the rest would never be parsed).
constexpr std::uint64_t kIdleBufferLimit = 1u << 20;

}  // namespace engine::tuning
