#pragma once
// The one keyed collection of the system: elements in insertion order, reachable by a 1-based
// position or by a key that is unique and compared without regard to letter case. The link table,
// the open-file table, the logical-file table and the product-line collection all use it.
//
// Elements are shared objects: a caller holding an element sees later changes made through the
// table, as the system's programs expect of their descriptors.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/basic_text.h"
#include "base/engine_error.h"

namespace tervalo {

template <typename T>
class KeyedCollection {
 public:
  using Ptr = std::shared_ptr<T>;

 private:
  struct Entry {
    std::string key;  // upper-cased; empty for an element added without a key
    Ptr item;
  };

 public:
  // Stores item under sKey (without a key when sKey is empty) and returns it.
  // REQUIRES: sKey is not already present (error 457 otherwise; nothing is added).
  Ptr AddItem(Ptr item, std::string_view sKey = {}) {
    std::string folded = UCase(sKey);
    if (!folded.empty()) {
      if (by_key_.count(folded) != 0) {
        throw EngineError(kErrDuplicateKey, "Collection",
                          "This key is already associated with an element of this collection");
      }
      by_key_.emplace(folded, item);
    }
    entries_.push_back({std::move(folded), item});
    return item;
  }

  // The element stored under the key; error 5 when absent.
  Ptr Item(std::string_view vntIndexKey) const {
    Ptr found = Find(vntIndexKey);
    if (!found) throw EngineError(kErrInvalidArgument, "Collection", kInvalidArgumentText);
    return found;
  }

  // The element at a 1-based position; error 9 when out of range.
  Ptr Item(int32_t vntIndexKey) const { return entries_[CheckedIndex(vntIndexKey)].item; }

  // The element under the key, or none: the lookup the engine uses when absence is normal.
  Ptr Find(std::string_view key) const {
    if (key.empty()) return nullptr;
    auto it = by_key_.find(UCase(key));
    return it == by_key_.end() ? nullptr : it->second;
  }

  void Remove(std::string_view vntIndexKey) {
    const std::string folded = UCase(vntIndexKey);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return !folded.empty() && e.key == folded; });
    if (it == entries_.end()) throw EngineError(kErrInvalidArgument, "Collection", kInvalidArgumentText);
    by_key_.erase(folded);
    entries_.erase(it);
  }

  void Remove(int32_t vntIndexKey) {
    const size_t index = CheckedIndex(vntIndexKey);
    if (!entries_[index].key.empty()) by_key_.erase(entries_[index].key);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  }

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

  // Enumeration in insertion order (the collection's NewEnum).
  class Iterator {
   public:
    explicit Iterator(typename std::vector<Entry>::const_iterator it)
        : it_(it) {}
    const Ptr& operator*() const { return it_->item; }
    Iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return it_ != other.it_; }

   private:
    typename std::vector<Entry>::const_iterator it_;
  };
  Iterator begin() const { return Iterator(entries_.begin()); }
  Iterator end() const { return Iterator(entries_.end()); }

 private:
  size_t CheckedIndex(int32_t position) const {
    if (position < 1 || position > Count()) {
      throw EngineError(kErrSubscript, "Collection", "Subscript out of range");
    }
    return static_cast<size_t>(position - 1);
  }

  std::vector<Entry> entries_;
  std::unordered_map<std::string, Ptr> by_key_;
};

}  // namespace tervalo
