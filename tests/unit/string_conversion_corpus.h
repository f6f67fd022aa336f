// Inputs that conversions between UTF-16 and UTF-8 get wrong most easily, each with what the
// Windows conversions give for it (measured under Wine). The portable conversions are checked
// against the expectations on every build, and the Windows conversions as well under Wine.
#ifndef TESSO_TESTS_UNIT_STRING_CONVERSION_CORPUS_H_
#define TESSO_TESTS_UNIT_STRING_CONVERSION_CORPUS_H_

#include <string>
#include <vector>

namespace tesso_test {

// UTF-16 text, read up to its first NUL.
struct WideCase {
  std::string name;
  std::u16string text;
  std::string strict;   // ArgumentToUtf8; empty when rejected
  std::string lenient;  // WideToUtf8
};

// UTF-8 text, converted with its explicit length.
struct Utf8Case {
  std::string name;
  std::string text;
  std::u16string wide;  // Utf8ToWide; empty when rejected
};

const std::vector<WideCase>& WideCorpus();
const std::vector<Utf8Case>& Utf8Corpus();

// "61 EF BF BD" / "0061 FFFD": readable in failure messages.
std::string HexBytes(const std::string& bytes);
std::string HexUnits(const std::u16string& units);

}  // namespace tesso_test

#endif  // TESSO_TESTS_UNIT_STRING_CONVERSION_CORPUS_H_
