#include "tools/make_model/NrrdFile.h"

#include "loading/ModelFile.h"
#include "tools/make_model/ImageHeaders.h"
#include "tools/make_model/VoxelChecks.h"

#include <vtkDataArray.h>
#include <vtkImageData.h>
#include <vtkType.h>

#include <bzlib.h>
#include <vtk_zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <utility>

namespace makemodel {

namespace {

struct TypeName
{
  const char* name;
  int type;
};

// The type names a NRRD header may use, each with VTK's type.
constexpr TypeName typeNames[] = {
  { "uchar", VTK_UNSIGNED_CHAR },
  { "unsigned char", VTK_UNSIGNED_CHAR },
  { "uint8", VTK_UNSIGNED_CHAR },
  { "uint8_t", VTK_UNSIGNED_CHAR },
  { "signed char", VTK_SIGNED_CHAR },
  { "int8", VTK_SIGNED_CHAR },
  { "int8_t", VTK_SIGNED_CHAR },
  { "short", VTK_SHORT },
  { "short int", VTK_SHORT },
  { "signed short", VTK_SHORT },
  { "signed short int", VTK_SHORT },
  { "int16", VTK_SHORT },
  { "int16_t", VTK_SHORT },
  { "ushort", VTK_UNSIGNED_SHORT },
  { "unsigned short", VTK_UNSIGNED_SHORT },
  { "unsigned short int", VTK_UNSIGNED_SHORT },
  { "uint16", VTK_UNSIGNED_SHORT },
  { "uint16_t", VTK_UNSIGNED_SHORT },
  { "int", VTK_INT },
  { "signed int", VTK_INT },
  { "int32", VTK_INT },
  { "int32_t", VTK_INT },
  { "uint", VTK_UNSIGNED_INT },
  { "unsigned int", VTK_UNSIGNED_INT },
  { "uint32", VTK_UNSIGNED_INT },
  { "uint32_t", VTK_UNSIGNED_INT },
  { "longlong", VTK_LONG_LONG },
  { "long long", VTK_LONG_LONG },
  { "long long int", VTK_LONG_LONG },
  { "signed long long", VTK_LONG_LONG },
  { "signed long long int", VTK_LONG_LONG },
  { "int64", VTK_LONG_LONG },
  { "int64_t", VTK_LONG_LONG },
  { "ulonglong", VTK_UNSIGNED_LONG_LONG },
  { "unsigned long long", VTK_UNSIGNED_LONG_LONG },
  { "unsigned long long int", VTK_UNSIGNED_LONG_LONG },
  { "uint64", VTK_UNSIGNED_LONG_LONG },
  { "uint64_t", VTK_UNSIGNED_LONG_LONG },
  { "float", VTK_FLOAT },
  { "double", VTK_DOUBLE },
};

// Whether an axis of this kind lies in space.
bool
spatialKind(const std::string& kind)
{
  return kind == "domain" || kind == "space" || kind == "???" || kind == "none";
}

// The words of a "space directions" value: "none" or three numbers in brackets per axis.
std::vector<std::vector<double>>
directionWords(const std::string& text)
{
  std::vector<std::vector<double>> axes;
  std::size_t at = 0;
  while (at < text.size()) {
    at = text.find_first_not_of(" \t", at);
    if (at == std::string::npos) {
      break;
    }
    if (text[at] == '(') {
      const std::size_t end = text.find(')', at);
      if (end == std::string::npos) {
        axes.push_back({ std::nan("") });
        break;
      }
      axes.push_back(numbersIn(text.substr(at, end + 1 - at)));
      at = end + 1;
    } else {
      const std::size_t end = std::min(text.find_first_of(" \t", at), text.size());
      axes.emplace_back(); // "none", or a word that is no direction
      if (lowerCase(text.substr(at, end - at)) != "none") {
        axes.back().push_back(std::nan(""));
      }
      at = end;
    }
  }
  return axes;
}

bool
wholeNumber(const std::string& text, std::int64_t lowest, std::int64_t highest, std::int64_t* value)
{
  const std::vector<double> numbers = numbersIn(text);
  if (numbers.size() != 1 || !(numbers[0] >= double(lowest) && numbers[0] <= double(highest)) ||
      std::floor(numbers[0]) != numbers[0]) {
    return false;
  }
  *value = std::int64_t(numbers[0]);
  return true;
}

// The data file's bytes through a buffer: lines skipped on the file itself, then either the
// bytes as they are or those a gzip or bzip2 stream holds.
class ByteStream
{
public:
  ByteStream(const std::string& path, std::string encoding)
    : file(path)
    , encoding(std::move(encoding))
  {
  }
  ~ByteStream()
  {
    if (zlibStarted) {
      inflateEnd(&zlib);
    }
    if (bzipStarted) {
      BZ2_bzDecompressEnd(&bzip);
    }
  }
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;

  RegularFile file;
  std::string problem;

  // Drops count bytes of the file itself (before any decompression).
  bool skipFileBytes(std::int64_t count)
  {
    while (count > 0) {
      if (at == end && !fill()) {
        return false;
      }
      const std::int64_t part = std::min<std::int64_t>(count, std::int64_t(end - at));
      at += std::size_t(part);
      count -= part;
    }
    return true;
  }

  bool skipFileLine()
  {
    for (;;) {
      if (at == end && !fill()) {
        return false;
      }
      const void* newline = std::memchr(buffer.data() + at, '\n', end - at);
      if (newline) {
        at = std::size_t(static_cast<const char*>(newline) - buffer.data()) + 1;
        return true;
      }
      at = end;
    }
  }

  // The file's bytes read so far, through the buffer.
  std::int64_t filePosition() const { return consumed - std::int64_t(end - at); }

  // Up to count bytes of the voxels' stream; fewer only at its end or on damage (problem).
  std::int64_t read(char* out, std::int64_t count)
  {
    if (encoding == "gzip") {
      return inflated(out, count);
    }
    if (encoding == "bzip2") {
      return unbzipped(out, count);
    }
    std::int64_t done = 0;
    while (done < count) {
      if (at == end && !fill()) {
        break;
      }
      const std::int64_t part = std::min<std::int64_t>(count - done, std::int64_t(end - at));
      std::memcpy(out + done, buffer.data() + at, std::size_t(part));
      at += std::size_t(part);
      done += part;
    }
    return done;
  }

  // Drops count bytes of the voxels' stream.
  bool skip(std::int64_t count)
  {
    std::vector<char> scratch(std::size_t(std::min<std::int64_t>(count, 1 << 20)));
    while (count > 0) {
      const std::int64_t part = std::min<std::int64_t>(count, std::int64_t(scratch.size()));
      if (read(scratch.data(), part) != part) {
        return false;
      }
      count -= part;
    }
    return true;
  }

  // The next character of the stream, -1 at its end.
  int get()
  {
    char character = 0;
    return read(&character, 1) == 1 ? static_cast<unsigned char>(character) : -1;
  }

private:
  std::vector<char> buffer = std::vector<char>(1 << 16);
  std::size_t at = 0, end = 0;
  std::int64_t consumed = 0;
  std::string encoding;
  z_stream zlib{};
  bool zlibStarted = false;
  bz_stream bzip{};
  bool bzipStarted = false;

  bool fill()
  {
    const std::int64_t count = file.read(buffer.data(), std::int64_t(buffer.size()));
    at = 0;
    end = count > 0 ? std::size_t(count) : 0;
    consumed += std::max<std::int64_t>(0, count);
    return end > 0;
  }

  std::int64_t inflated(char* out, std::int64_t count)
  {
    if (!zlibStarted) {
      if (inflateInit2(&zlib, 15 + 32) != Z_OK) { // 32: a gzip or zlib header, whichever
        problem = "cannot be decompressed";
        return 0;
      }
      zlibStarted = true;
    }
    std::int64_t done = 0;
    while (done < count && problem.empty()) {
      if (at == end && !fill()) {
        break;
      }
      zlib.next_in = reinterpret_cast<Bytef*>(buffer.data() + at);
      zlib.avail_in = unsigned(end - at);
      zlib.next_out = reinterpret_cast<Bytef*>(out + done);
      zlib.avail_out = unsigned(std::min<std::int64_t>(count - done, 1 << 30));
      const unsigned before = zlib.avail_out;
      const int status = inflate(&zlib, Z_NO_FLUSH);
      done += before - zlib.avail_out;
      at = end - zlib.avail_in;
      if (status == Z_STREAM_END) {
        inflateReset(&zlib); // gzip members one after another, as gzip reads them
      } else if (status != Z_OK && status != Z_BUF_ERROR) {
        problem = "holds damaged compressed voxels";
      }
    }
    return done;
  }

  std::int64_t unbzipped(char* out, std::int64_t count)
  {
    if (!bzipStarted) {
      if (BZ2_bzDecompressInit(&bzip, 0, 0) != BZ_OK) {
        problem = "cannot be decompressed";
        return 0;
      }
      bzipStarted = true;
    }
    std::int64_t done = 0;
    while (done < count && problem.empty()) {
      if (at == end && !fill()) {
        break;
      }
      bzip.next_in = buffer.data() + at;
      bzip.avail_in = unsigned(end - at);
      bzip.next_out = out + done;
      bzip.avail_out = unsigned(std::min<std::int64_t>(count - done, 1 << 30));
      const unsigned before = bzip.avail_out;
      const int status = BZ2_bzDecompress(&bzip);
      done += before - bzip.avail_out;
      at = end - bzip.avail_in;
      if (status == BZ_STREAM_END) {
        BZ2_bzDecompressEnd(&bzip); // streams one after another, as bzip2 reads them
        if (BZ2_bzDecompressInit(&bzip, 0, 0) != BZ_OK) {
          bzipStarted = false;
          problem = "cannot be decompressed";
        }
      } else if (status != BZ_OK) {
        problem = "holds damaged compressed voxels";
      }
    }
    return done;
  }
};

template<typename T>
void
parseText(ByteStream& stream,
          T* values,
          std::int64_t skipped,
          std::int64_t count,
          std::string& problem)
{
  std::string word;
  std::int64_t index = -skipped;
  while (index < count) {
    word.clear();
    int character = stream.get();
    while (character != -1 && (std::isspace(character) || character == ',')) {
      character = stream.get();
    }
    while (character != -1 && !std::isspace(character) && character != ',') {
      if (word.size() >= 64) {
        problem = "holds a value in its text voxels longer than 64 characters";
        return;
      }
      word += char(character);
      character = stream.get();
    }
    if (word.empty()) {
      problem =
        "is shorter than its header says: " + std::to_string(std::max<std::int64_t>(0, index)) +
        " of " + std::to_string(count) + " values";
      return;
    }
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size()) {
      problem =
        "holds a word that is no number among its text voxels: " + shortenedInMiddle(word, 40);
      return;
    }
    if (index >= 0) {
      values[index] = T(value);
    }
    ++index;
  }
}

} // namespace

NrrdLayout
nrrdLayout(const std::string& path)
{
  NrrdLayout layout;
  if (layout.problem = nrrdHeaderProblem(path); !layout.problem.empty()) {
    return layout;
  }
  auto& fields = layout.fields;
  fields = headerFields(path, ':');
  const std::vector<double> sizes = numbersIn(fields["sizes"]);
  const std::size_t axes = sizes.size();

  // Which axis, of a four, is not in space: its kind says so, else a "none" direction, else the
  // first (a vector's components, as most writers put them).
  std::size_t apart = axes;
  std::istringstream kinds(lowerCase(fields["kinds"]));
  std::vector<std::string> kindWords;
  for (std::string kind; kinds >> kind;) {
    kindWords.push_back(kind);
  }
  const std::vector<std::vector<double>> directions = directionWords(fields["space directions"]);
  if (axes == 4) {
    std::vector<std::size_t> notInSpace;
    if (kindWords.size() == 4) {
      for (std::size_t axis = 0; axis < 4; ++axis) {
        if (!spatialKind(kindWords[axis])) {
          notInSpace.push_back(axis);
        }
      }
    } else if (directions.size() == 4) {
      for (std::size_t axis = 0; axis < 4; ++axis) {
        if (directions[axis].empty()) {
          notInSpace.push_back(axis);
        }
      }
    } else {
      notInSpace.push_back(0);
    }
    if (notInSpace.size() != 1 || (notInSpace[0] != 0 && notInSpace[0] != 3)) {
      layout.problem = "has four axes of which not exactly the first or the last lies outside "
                       "space (kinds: " +
                       shortenedInMiddle(fields["kinds"], 60) + ")";
      return layout;
    }
    apart = notInSpace[0];
    if (apart == 0) {
      layout.components = std::int64_t(sizes[0]);
      layout.componentKind = kindWords.size() == 4 ? kindWords[0] : "vector";
    } else {
      layout.frames = std::int64_t(sizes[3]);
    }
  }
  std::size_t spatial = 0;
  for (std::size_t axis = 0; axis < axes; ++axis) {
    if (axis == apart) {
      continue;
    }
    layout.sizes[spatial] = std::int64_t(sizes[axis]);
    if (directions.size() == axes) {
      if (directions[axis].size() != 3) {
        layout.problem = "has a space direction that is not three numbers for an axis in space";
        return layout;
      }
      layout.directions.insert(
        layout.directions.end(), directions[axis].begin(), directions[axis].end());
    }
    const std::vector<double> spacings = numbersIn(fields["spacings"]);
    if (spacings.size() == axes) {
      if (!plausibleVoxelSize(spacings[axis])) {
        layout.problem = "has a spacings field that is not a voxel size from 0.0001 to 1000";
        return layout;
      }
      layout.spacings.push_back(spacings[axis]);
    }
    ++spatial;
  }
  if (!directions.empty() && directions.size() != axes) {
    layout.problem = "has " + std::to_string(directions.size()) + " space directions for " +
                     std::to_string(axes) + " axes";
    return layout;
  }
  layout.origin = numbersIn(fields["space origin"]);
  if (!layout.origin.empty() && layout.origin.size() != 3) {
    layout.problem = "has a space origin that is not three numbers";
    return layout;
  }

  const std::string type = lowerCase(fields["type"]);
  for (const TypeName& name : typeNames) {
    if (type == name.name) {
      layout.scalarType = name.type;
    }
  }
  if (layout.scalarType == 0) {
    layout.problem = "has voxels of a type not read here (" + shortenedInMiddle(type, 40) + ")";
    return layout;
  }
  layout.bigEndian = lowerCase(fields["endian"]) == "big";
  const std::string encoding = lowerCase(fields["encoding"]);
  layout.encoding = encoding == "gz"                           ? "gzip"
                    : encoding == "bz2"                        ? "bzip2"
                    : encoding == "txt" || encoding == "ascii" ? "text"
                                                               : encoding;
  // Text is parsed into doubles whatever the declared type.
  if (layout.encoding == "text") {
    layout.scalarType = VTK_DOUBLE;
  }
  layout.scalarSize = vtkDataArray::GetDataTypeSize(layout.scalarType);

  const std::string lineSkip = fields.count("line skip") ? fields["line skip"] : fields["lineskip"];
  const std::string byteSkip = fields.count("byte skip") ? fields["byte skip"] : fields["byteskip"];
  // A million lines or a gigabyte skipped is no header any writer leaves before its voxels.
  if (!lineSkip.empty() && !wholeNumber(lineSkip, 0, 1000000, &layout.lineSkip)) {
    layout.problem =
      "has a line skip that is not a count of lines: " + shortenedInMiddle(lineSkip, 40);
    return layout;
  }
  if (!byteSkip.empty() && !wholeNumber(byteSkip, -1, std::int64_t(1) << 30, &layout.byteSkip)) {
    layout.problem =
      "has a byte skip that is not a count of bytes: " + shortenedInMiddle(byteSkip, 40);
    return layout;
  }
  if (layout.byteSkip == -1 && layout.encoding != "raw") {
    layout.problem = "has byte skip -1 (voxels at the end) with " + layout.encoding +
                     " voxels, where it is meaningless";
    return layout;
  }

  const std::string dataFile = fields.count("data file") ? fields["data file"] : fields["datafile"];
  if (dataFile.empty()) {
    layout.dataPath = path;
    layout.dataOffset = std::strtoll(fields[headerEndKey].c_str(), nullptr, 10);
  } else {
    if (lowerCase(dataFile) == "list" || dataFile.find_first_of(" %") != std::string::npos) {
      layout.problem = "keeps its voxels in several files (not read here: join them into one file)";
      return layout;
    }
    const std::filesystem::path named(dataFile);
    layout.separateData = true;
    layout.dataPath =
      named.is_absolute() ? dataFile : (std::filesystem::path(path).parent_path() / named).string();
  }
  return layout;
}

NrrdVoxels
readNrrdVoxels(const NrrdLayout& layout, std::int64_t frame)
{
  NrrdVoxels result;
  ByteStream stream(layout.dataPath, layout.encoding);
  if (!stream.file.isOpen()) {
    const std::string name = std::filesystem::path(layout.dataPath).filename().string();
    result.problem = !layout.separateData ? stream.file.problem()
                                          : "names a data file " + shortenedInMiddle(name, 200) +
                                              " that " + stream.file.problem();
    return result;
  }
  const std::int64_t values =
    layout.sizes[0] * layout.sizes[1] * layout.sizes[2] * layout.components;
  const std::int64_t bytes = values * layout.scalarSize;
  auto image = vtkSmartPointer<vtkImageData>::New();
  image->SetDimensions(int(layout.sizes[0]), int(layout.sizes[1]), int(layout.sizes[2]));
  image->AllocateScalars(layout.scalarType, int(layout.components));
  char* out = static_cast<char*>(image->GetScalarPointer());

  if (!stream.skipFileBytes(layout.dataOffset)) {
    result.problem = "is shorter than its header says: its voxels are missing";
    return result;
  }
  for (std::int64_t line = 0; line < layout.lineSkip; ++line) {
    if (!stream.skipFileLine()) {
      result.problem = "is shorter than its header says: it ends within the " +
                       std::to_string(layout.lineSkip) + " lines skipped before its voxels";
      return result;
    }
  }
  if (layout.encoding == "text") {
    if (!stream.skip(std::max<std::int64_t>(0, layout.byteSkip))) {
      result.problem = "is shorter than its header says: its voxels are missing";
      return result;
    }
    parseText(stream, reinterpret_cast<double*>(out), frame * values, values, result.problem);
    if (!result.problem.empty()) {
      return result;
    }
    result.image = image;
    return result;
  }
  std::int64_t skipped = frame * bytes;
  if (layout.byteSkip == -1) {
    // The voxels (every frame) end the file.
    const std::int64_t start = stream.file.size() - bytes * layout.frames;
    if (start < stream.filePosition()) {
      result.problem =
        "is shorter than its header says: " +
        std::to_string(std::max<std::int64_t>(0, stream.file.size() - stream.filePosition())) +
        " of " + std::to_string(bytes * layout.frames) + " bytes of voxels";
      return result;
    }
    stream.skipFileBytes(start - stream.filePosition());
  } else {
    skipped += layout.byteSkip;
  }
  const bool skippedAll = stream.skip(skipped);
  const std::int64_t read = skippedAll ? stream.read(out, bytes) : 0;
  if (read != bytes) {
    result.problem = !stream.problem.empty() ? stream.problem
                     : layout.encoding == "raw"
                       ? "is shorter than its header says: " + std::to_string(read) + " of " +
                           std::to_string(bytes) + " bytes of voxels"
                       : "is shorter than its header says: its compressed voxels end after " +
                           std::to_string(read) + " of " + std::to_string(bytes) + " bytes";
    return result;
  }
  const auto size = std::size_t(layout.scalarSize);
  const bool littleHost = [] {
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
  }();
  if (size > 1 && layout.bigEndian == littleHost) {
    for (std::int64_t value = 0; value < values; ++value) {
      std::reverse(out + value * layout.scalarSize, out + (value + 1) * layout.scalarSize);
    }
  }
  result.image = image;
  return result;
}

} // namespace makemodel
