#include "loading/LegacyScanner.h"

#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>

namespace legacy {

std::string
lowerCase(std::string_view text)
{
  std::string result(text);
  for (char& character : result) {
    character = char(std::tolower(static_cast<unsigned char>(character)));
  }
  return result;
}

std::string
printable(std::string_view word, std::size_t length)
{
  std::string result;
  for (char character : word.substr(0, length)) {
    result += std::isprint(static_cast<unsigned char>(character)) ? character : '?';
  }
  if (word.size() > length) {
    result += "...";
  }
  return result;
}

bool
isSpace(char character)
{
  return character == ' ' || character == '\n' || character == '\r' || character == '\t' ||
         character == '\v' || character == '\f';
}

std::vector<std::string_view>
splitWords(std::string_view line)
{
  std::vector<std::string_view> words;
  std::size_t position = 0;
  while (position < line.size()) {
    while (position < line.size() && isSpace(line[position])) {
      ++position;
    }
    const std::size_t start = position;
    while (position < line.size() && !isSpace(line[position])) {
      ++position;
    }
    if (position > start) {
      words.push_back(line.substr(start, position - start));
    }
  }
  return words;
}

bool
isBlank(std::string_view line)
{
  return line.find_first_not_of(" \r") == std::string_view::npos;
}

bool
fitsLineBuffer(std::string_view line)
{
  return line.size() <= longestLine && line.find('\0') == std::string_view::npos;
}

bool
escapesAreWhole(std::string_view text)
{
  if (text.find('\0') != std::string_view::npos) {
    return false;
  }
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (text[index] == '%') {
      if (index + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[index + 1])) ||
          !std::isxdigit(static_cast<unsigned char>(text[index + 2]))) {
        return false;
      }
      index += 2;
    }
  }
  return true;
}

bool
wholeCount(std::string_view digits, Count& value, Count limit)
{
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return !digits.empty() && error == std::errc() && end == digits.data() + digits.size() &&
         value <= limit;
}

bool
versionLine(std::string_view version, int& major)
{
  while (!version.empty() && isSpace(version.front())) {
    version.remove_prefix(1);
  }
  while (!version.empty() && isSpace(version.back())) {
    version.remove_suffix(1);
  }
  const std::size_t dot = version.find('.');
  auto allDigits = [](std::string_view digits) {
    return !digits.empty() && digits.size() <= 4 &&
           digits.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (dot == std::string_view::npos || !allDigits(version.substr(0, dot)) ||
      !allDigits(version.substr(dot + 1))) {
    return false;
  }
  std::from_chars(version.data(), version.data() + dot, major);
  return true;
}

bool
multiply(Count first, Count second, Count& product)
{
  if (first != 0 && second > std::numeric_limits<Count>::max() / first) {
    return false;
  }
  product = first * second;
  return true;
}

Count
binaryValueSize(const std::string& type)
{
  if (type == "char" || type == "signed_char" || type == "unsigned_char") {
    return 1;
  }
  if (type == "short" || type == "unsigned_short") {
    return 2;
  }
  if (type == "int" || type == "unsigned_int" || type == "float" || type == "vtkidtype") {
    return 4;
  }
  if (type == "long" || type == "unsigned_long") {
    return sizeof(long);
  }
  if (type == "double" || type == "vtktypeint64" || type == "vtktypeuint64") {
    return 8;
  }
  return 0;
}

// The reader takes each ASCII value with operator>>, which stops at the first character that
// does not belong to the number and fails on a value outside the type's range. After such a
// failure the reader carries on from inside the token, out of step with the file: a FIELD
// array read that way comes back empty and the reader dereferences it. So every value must be
// one whole number that fits its type.
bool
integerFits(std::string_view word, std::int64_t lowest, std::uint64_t highest)
{
  if (!word.empty() && word.front() == '+') {
    word.remove_prefix(1);
  }
  const bool negative = !word.empty() && word.front() == '-';
  if (negative) {
    word.remove_prefix(1);
  }
  if (word.empty() || word.front() == '+' || word.front() == '-') {
    return false;
  }
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), magnitude);
  if (error != std::errc() || end != word.data() + word.size()) {
    return false;
  }
  if (negative) {
    return lowest < 0 && magnitude <= std::uint64_t(-(lowest + 1)) + 1;
  }
  return magnitude <= highest;
}

namespace {

bool
floatingFits(std::string_view word, bool singlePrecision)
{
  std::size_t index = 0;
  auto digits = [&] {
    const std::size_t start = index;
    while (index < word.size() && std::isdigit(static_cast<unsigned char>(word[index]))) {
      ++index;
    }
    return index - start;
  };
  if (index < word.size() && (word[index] == '+' || word[index] == '-')) {
    ++index;
  }
  std::size_t mantissa = digits();
  if (index < word.size() && word[index] == '.') {
    ++index;
    mantissa += digits();
  }
  if (mantissa == 0) {
    return false;
  }
  if (index < word.size() && (word[index] == 'e' || word[index] == 'E')) {
    ++index;
    if (index < word.size() && (word[index] == '+' || word[index] == '-')) {
      ++index;
    }
    if (digits() == 0) {
      return false;
    }
  }
  if (index != word.size()) {
    return false;
  }
  // Converted as the stream does, in the "C" locale whatever the program's locale is; only an
  // overflow to infinity fails there.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  const std::string text(word);
  return singlePrecision ? !std::isinf(strtof_l(text.c_str(), nullptr, cLocale))
                         : !std::isinf(strtod_l(text.c_str(), nullptr, cLocale));
}

} // namespace

bool
asciiValueFits(std::string_view word, const std::string& type)
{
  using std::numeric_limits;
  if (type == "float" || type == "double") {
    return floatingFits(word, type == "float");
  }
  if (type == "short") {
    return integerFits(word, numeric_limits<short>::min(), numeric_limits<short>::max());
  }
  if (type == "unsigned_short") {
    return integerFits(word, 0, numeric_limits<unsigned short>::max());
  }
  if (type == "unsigned_int") {
    return integerFits(word, 0, numeric_limits<unsigned int>::max());
  }
  if (type == "long" || type == "vtktypeint64" || type == "vtkidtype") {
    return integerFits(
      word, numeric_limits<std::int64_t>::min(), numeric_limits<std::int64_t>::max());
  }
  if (type == "unsigned_long" || type == "vtktypeuint64") {
    return integerFits(word, 0, numeric_limits<std::uint64_t>::max());
  }
  return integerFits(word, numeric_limits<int>::min(), numeric_limits<int>::max());
}

bool
Scanner::line(std::string_view& result)
{
  if (atEnd()) {
    return false;
  }
  const std::size_t end = text.find('\n', position);
  const std::size_t stop = end == std::string_view::npos ? text.size() : end;
  result = text.substr(position, stop - position);
  if (!result.empty() && result.back() == '\r') {
    result.remove_suffix(1);
  }
  position = end == std::string_view::npos ? text.size() : end + 1;
  return true;
}

std::string_view
Scanner::word()
{
  while (position < text.size() && isSpace(text[position])) {
    ++position;
  }
  const std::size_t start = position;
  while (position < text.size() && !isSpace(text[position])) {
    ++position;
  }
  // The reader takes words into 256-byte buffers: a longer one would be split in two.
  if (position - start > longestLine) {
    overlong = true;
  }
  return text.substr(start, position - start);
}

bool
Scanner::count(Count& value, Count limit)
{
  return wholeCount(word(), value, limit);
}

bool
Scanner::integer(std::int64_t& value)
{
  const std::string_view digits = word();
  if (digits.empty()) {
    return false;
  }
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size();
}

// The reader's getline buffer holds 255 characters: with a longer rest of line it stops in the
// middle and reads the data from there, so that fails.
bool
Scanner::skipRestOfLine()
{
  const std::size_t end = text.find('\n', position);
  if (end != std::string_view::npos && end - position > longestLine) {
    return false;
  }
  position = end == std::string_view::npos ? text.size() : end + 1;
  return true;
}

bool
Scanner::skipBytes(Count bytes)
{
  if (bytes > remaining()) {
    return false;
  }
  position += std::size_t(bytes);
  return true;
}

bool
Scanner::hangsReaderAfterArray() const
{
  std::size_t start = position;
  while (true) {
    std::size_t probe = start;
    while (probe < text.size() && (text[probe] == ' ' || text[probe] == '\r')) {
      ++probe;
      if (probe - start >= 256) {
        return true;
      }
    }
    if (probe >= text.size() || text[probe] != '\n') {
      return false;
    }
    start = probe + 1;
  }
}

// The reader passes over spaces, carriage returns and line ends only (not tabs), then compares
// the next eight characters, in any case.
bool
Scanner::enterMetadata()
{
  std::size_t probe = position;
  while (probe < text.size() &&
         (text[probe] == ' ' || text[probe] == '\r' || text[probe] == '\n')) {
    ++probe;
  }
  if (lowerCase(text.substr(probe, 8)) != "metadata") {
    return false;
  }
  position = probe;
  return true;
}

} // namespace legacy
