#include "lzx/encoder.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "lzx/interval_encoder.h"

namespace chm {
namespace {

// Intervals queued or being encoded per thread: enough that a thread finding its interval
// done while an earlier one is still being encoded has the next one waiting, few enough that
// memory stays at a few hundred KiB per thread whatever the input's size.
constexpr std::size_t kIntervalsInFlightPerThread = 2;

// Each thread keeps its own match finder and parser, a few MB at the best level; past this many
// cores the default stops adding threads, so memory stays bounded on large machines too.
constexpr unsigned kMaxDefaultThreads = 16;

}  // namespace

// Word-wise multiply and fold: each step is a bijection of the running value for a given word,
// so any single changed word changes the digest, and the fold carries high bits down.
std::uint64_t LzxFrameDigest(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  std::uint64_t h = 0xCBF29CE484222325u ^ size;
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    h = (h ^ word) * kMultiplier;
    h ^= h >> 32;
  }
  for (; i < size; ++i) {
    h = (h ^ data[i]) * kMultiplier;
    h ^= h >> 32;
  }
  return h;
}

int LzxDefaultThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, kMaxDefaultThreads));
}

// With one thread every interval is encoded on the caller's thread as it fills. With more,
// full intervals queue up in input order; worker threads each take the oldest waiting one and
// encode it with their own LzxIntervalEncoder, and the caller's thread hands finished
// intervals to the output strictly in order. When the queue is full the caller waits for its
// oldest interval, so input is never read far ahead of the output.
struct LzxEncoder::State {
  struct Job {
    std::vector<std::uint8_t> input;
    LzxEncodedInterval encoded;
    bool taken = false;
    bool done = false;
    std::exception_ptr error;
  };

  State(LzxLevel level, LzxSink* sink, int threads);
  ~State();

  void Submit(std::vector<std::uint8_t> input);
  void Emit(const LzxEncodedInterval& encoded);
  void EmitFinished(bool wait_for_all);
  void WorkerLoop();

  LzxLevel level;
  LzxSink* sink;
  std::vector<std::uint8_t> pending;  // the current reset interval's input
  std::uint64_t total = 0;
  std::uint64_t compressed = 0;  // bytes emitted
  std::uint64_t header_bits = 0;
  bool finished = false;
  std::vector<std::uint8_t> output;
  std::vector<std::uint64_t> frame_offsets;
  std::vector<std::uint64_t> frame_digests;

  std::unique_ptr<LzxIntervalEncoder> inline_encoder;  // one thread
  LzxEncodedInterval inline_encoded;

  std::size_t max_in_flight = 0;
  std::mutex mutex;
  std::condition_variable work_ready;  // a job was queued, or stop
  std::condition_variable job_done;
  std::deque<std::unique_ptr<Job>> jobs;  // in input order
  bool stop = false;
  std::vector<std::thread> workers;
};

LzxEncoder::State::State(LzxLevel l, LzxSink* s, int threads) : level(l), sink(s) {
  pending.reserve(kLzxResetInterval);
  if (threads <= 1) {
    inline_encoder = std::make_unique<LzxIntervalEncoder>(level);
    return;
  }
  max_in_flight = kIntervalsInFlightPerThread * static_cast<std::size_t>(threads);
  for (int i = 0; i < threads; ++i) workers.emplace_back([this] { WorkerLoop(); });
}

LzxEncoder::State::~State() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
  }
  work_ready.notify_all();
  for (std::thread& t : workers) t.join();
}

void LzxEncoder::State::WorkerLoop() {
  LzxIntervalEncoder encoder(level);
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    Job* job = nullptr;
    work_ready.wait(lock, [&] {
      if (stop) return true;
      for (const auto& j : jobs) {
        if (!j->taken) return true;
      }
      return false;
    });
    if (stop) return;
    for (const auto& j : jobs) {
      if (!j->taken) {
        job = j.get();
        break;
      }
    }
    job->taken = true;
    lock.unlock();
    try {
      encoder.Encode(job->input.data(), job->input.size(), &job->encoded);
    } catch (...) {
      job->error = std::current_exception();
    }
    lock.lock();
    job->done = true;
    job_done.notify_all();
  }
}

// Appends one interval to the stream: its frames' offsets move by what came before it.
void LzxEncoder::State::Emit(const LzxEncodedInterval& encoded) {
  for (std::uint64_t offset : encoded.frame_offsets) frame_offsets.push_back(compressed + offset);
  frame_digests.insert(frame_digests.end(), encoded.frame_digests.begin(),
                       encoded.frame_digests.end());
  if (sink) {
    sink->Write(encoded.bytes.data(), encoded.bytes.size());
  } else {
    output.insert(output.end(), encoded.bytes.begin(), encoded.bytes.end());
  }
  compressed += encoded.bytes.size();
  header_bits += encoded.header_bits;
}

// Emits the finished intervals at the head of the queue; waits for the oldest while the queue
// is full, or for every one when `wait_for_all`.
void LzxEncoder::State::EmitFinished(bool wait_for_all) {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    if (jobs.empty()) return;
    const bool must_wait = wait_for_all || jobs.size() >= max_in_flight;
    if (!jobs.front()->done) {
      if (!must_wait) return;
      job_done.wait(lock, [&] { return jobs.front()->done; });
    }
    std::unique_ptr<Job> job = std::move(jobs.front());
    jobs.pop_front();
    lock.unlock();
    if (job->error) std::rethrow_exception(job->error);
    Emit(job->encoded);  // the sink may throw; the workers stop in ~State
    lock.lock();
  }
}

void LzxEncoder::State::Submit(std::vector<std::uint8_t> input) {
  if (inline_encoder) {
    inline_encoder->Encode(input.data(), input.size(), &inline_encoded);
    Emit(inline_encoded);
    return;
  }
  auto job = std::make_unique<Job>();
  job->input = std::move(input);
  {
    std::lock_guard<std::mutex> lock(mutex);
    jobs.push_back(std::move(job));
  }
  work_ready.notify_one();
  EmitFinished(false);
}

LzxEncoder::LzxEncoder(LzxLevel level, LzxSink* sink, int threads)
    : state_(new State(level, sink, threads)) {}

LzxEncoder::~LzxEncoder() { delete state_; }

void LzxEncoder::Write(const std::uint8_t* data, std::size_t size) {
  if (state_->finished) return;
  state_->total += size;
  while (size > 0) {
    const std::size_t take = std::min(size, kLzxResetInterval - state_->pending.size());
    state_->pending.insert(state_->pending.end(), data, data + take);
    data += take;
    size -= take;
    if (state_->pending.size() == kLzxResetInterval) {
      std::vector<std::uint8_t> full;
      full.reserve(kLzxResetInterval);
      full.swap(state_->pending);
      state_->Submit(std::move(full));
    }
  }
}

void LzxEncoder::Finish() {
  if (state_->finished) return;
  state_->finished = true;
  // Readers decode whole 32 KiB frames, the last one included, so it is padded with zeros.
  if (!state_->pending.empty()) {
    const std::size_t padded =
        (state_->pending.size() + kLzxFrameSize - 1) / kLzxFrameSize * kLzxFrameSize;
    state_->pending.resize(padded, 0);
    state_->Submit(std::move(state_->pending));
  }
  state_->pending = std::vector<std::uint8_t>();
  if (!state_->inline_encoder) state_->EmitFinished(true);
}

std::uint64_t LzxEncoder::UncompressedSize() const { return state_->total; }

std::uint64_t LzxEncoder::CompressedSize() const { return state_->compressed; }

std::uint64_t LzxEncoder::HeaderBits() const { return state_->header_bits; }

const std::vector<std::uint8_t>& LzxEncoder::Output() const { return state_->output; }

const std::vector<std::uint64_t>& LzxEncoder::FrameOffsets() const { return state_->frame_offsets; }

const std::vector<std::uint64_t>& LzxEncoder::FrameDigests() const { return state_->frame_digests; }

LzxResult CompressLzx(const std::uint8_t* data, std::size_t size, LzxLevel level, int threads) {
  LzxEncoder encoder(level, nullptr, threads);
  encoder.Write(data, size);
  encoder.Finish();
  return {encoder.Output(), encoder.FrameOffsets()};
}

}  // namespace chm
