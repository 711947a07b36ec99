#pragma once
// The difference form: what a printed copy of a report object changes
// against its source object, under short attribute names. Prepared pages
// store every page object this way.

#include <string>

class TqdxComponent;

// The attribute text (each attribute with a leading space) with which obj
// differs from reference, an object of the same class. Writing a text
// object's difference moves its LastParaBreak into FirstParaBreak: the next
// part of a split text starts where this one ended.
std::string qdxDiff(TqdxComponent& obj, const TqdxComponent& reference);

// Two floats differ when they are further apart than this.
inline constexpr double qdxDiffTolerance = 0.0001;
