#pragma once
// Value formats of a text object and their collection.

#include "document/qdxTypInfo.h"

#include <memory>
#include <string>
#include <vector>

enum TqdxFormatKind : uint8_t { fkText, fkNumeric, fkDateTime, fkBoolean };

class TqdxFormat : public TqdxPersistent {
public:
  QDX_CLASS(TqdxFormat)
  TqdxFormatKind Kind = fkText;
  std::string FormatStr;
  std::string DecimalSeparator;
  std::string ThousandSeparator;
};

// An ordered list of owned items of class T.
template <class T>
class TqdxOwnedList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  T& operator[](int index) const { return *FItems.at(static_cast<size_t>(index)); }
  T& Add() {
    FItems.push_back(std::make_unique<T>());
    return *FItems.back();
  }
  void Delete(int index) { FItems.erase(FItems.begin() + index); }
  void Clear() { FItems.clear(); }
  // Replaces the items with copies of other's.
  void Assign(const TqdxOwnedList& other) {
    if (&other == this) return;
    FItems.clear();
    for (const auto& item : other.FItems) Add().Assign(*item);
  }

private:
  std::vector<std::unique_ptr<T>> FItems;
};

class TqdxFormatCollection : public TqdxOwnedList<TqdxFormat> {};
