#pragma once
// Objects as bytes, for the messages between the processes of a run: a
// writer appends plain values, strings and vectors of plain values; a
// reader takes them back in the same order. Both processes run the same
// build, so values travel in the machine's own layout.
//
// Both are called as bytes(field), so that one function template listing
// an object's fields serves both directions and the two cannot disagree.

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "common/errors.hpp"

namespace dls {

class ByteWriter {
 public:
  template <class T>
  void put(const T& value) {
    static_assert(std::is_trivially_copyable<T>::value, "only plain values travel as bytes");
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  void putString(const std::string& text) {
    put(text.size());
    bytes_ += text;
  }
  template <class T>
  void putVector(const std::vector<T>& values) {
    static_assert(std::is_trivially_copyable<T>::value, "only plain values travel as bytes");
    put(values.size());
    if (!values.empty()) bytes_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
  }
  void putStrings(const std::vector<std::string>& texts) {
    put(texts.size());
    for (const std::string& text : texts) putString(text);
  }

  template <class T>
  void operator()(const T& value) {
    put(value);
  }
  void operator()(const std::string& text) { putString(text); }
  void operator()(const std::vector<std::string>& texts) { putStrings(texts); }
  template <class T>
  void operator()(const std::vector<T>& values) {
    putVector(values);
  }

  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
};

class ByteReader {
 public:
  explicit ByteReader(const std::string& bytes) : bytes_(bytes) {}

  template <class T>
  T get() {
    T value{};
    getInto(value);
    return value;
  }
  // For plain values without a default state.
  template <class T>
  void getInto(T& value) {
    static_assert(std::is_trivially_copyable<T>::value, "only plain values travel as bytes");
    std::memcpy(&value, take(sizeof value), sizeof value);
  }
  std::string getString() {
    const std::size_t size = get<std::size_t>();
    return std::string(take(size), size);
  }
  template <class T>
  std::vector<T> getVector() {
    const std::size_t size = get<std::size_t>();
    if (size > (bytes_.size() - at_) / (sizeof(T) == 0 ? 1 : sizeof(T))) throw InternalError("message too short");
    std::vector<T> values(size);
    if (size > 0) std::memcpy(values.data(), take(size * sizeof(T)), size * sizeof(T));
    return values;
  }
  std::vector<std::string> getStrings() {
    std::vector<std::string> texts(get<std::size_t>());
    for (std::string& text : texts) text = getString();
    return texts;
  }
  bool atEnd() const { return at_ == bytes_.size(); }

  template <class T>
  void operator()(T& value) {
    getInto(value);
  }
  void operator()(std::string& text) { text = getString(); }
  void operator()(std::vector<std::string>& texts) { texts = getStrings(); }
  template <class T>
  void operator()(std::vector<T>& values) {
    values = getVector<T>();
  }

 private:
  const char* take(std::size_t size) {
    if (size > bytes_.size() - at_) throw InternalError("message too short");
    const char* start = bytes_.data() + at_;
    at_ += size;
    return start;
  }

  const std::string& bytes_;
  std::size_t at_ = 0;
};

}  // namespace dls
