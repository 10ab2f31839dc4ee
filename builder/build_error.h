#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <stop_token>

namespace vonnik {

// A build that cannot run (an empty picture, a model that would not fit the memory budget).
// The message names the cause; BuildError::field names the setting that caused it.
class BuildError : public std::runtime_error {
  public:
    enum class Field { kPolygonSize, kPicture };
    explicit BuildError(const std::string& message, Field field = Field::kPolygonSize)
        : std::runtime_error(message), field_(field) {}
    Field field() const { return field_; }

  private:
    Field field_;
};

// A build given up because its caller asked it to stop (a newer build replaces it). The
// phases check at the start of each and along their long loops; what they had built is
// dropped, and nothing of the caller's changes.
class BuildCancelled : public std::exception {
  public:
    const char* what() const noexcept override { return "the build was cancelled"; }
};

// Largest size the lattice arrays of one model may take.
constexpr std::uint64_t kGridMemoryBudget = 6ull << 30;

// Receives each new position of the build's progress (0..100).
using ProgressFn = std::function<void(int position)>;

// Throws BuildCancelled once a stop has been requested.
inline void StopIfAsked(const std::stop_token& stop) {
    if (stop.stop_requested()) throw BuildCancelled();
}

}  // namespace vonnik
