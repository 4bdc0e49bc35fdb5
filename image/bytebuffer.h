#pragma once

// A heap block that holds a disk image or a payload: its data and one spare
// byte after them. Allocation reports failure instead of throwing, so that
// callers can say "Memory allocation error.".

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>

namespace vornak {

class ByteBuffer {
 public:
  ByteBuffer() = default;

  // `size` bytes of data plus the spare byte, uninitialised; nothing when the
  // memory cannot be obtained.
  static std::optional<ByteBuffer> Allocate(std::size_t size) {
    uint8_t* data = new (std::nothrow) uint8_t[size + 1];
    if (data == nullptr) return std::nullopt;
    return ByteBuffer(data, size);
  }

  uint8_t* data() { return data_.get(); }
  const uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  bool empty() const { return data_ == nullptr; }
  std::span<uint8_t> bytes() { return {data_.get(), size_}; }
  std::span<const uint8_t> bytes() const { return {data_.get(), size_}; }

  // Forgets data beyond the first `size` bytes; the block stays as it is.
  void Truncate(std::size_t size) {
    if (size < size_) size_ = size;
  }

 private:
  ByteBuffer(uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::unique_ptr<uint8_t[]> data_;
  std::size_t size_ = 0;
};

}  // namespace vornak
