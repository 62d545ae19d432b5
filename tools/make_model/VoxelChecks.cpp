#include "tools/make_model/VoxelChecks.h"

#include "loading/ModelFile.h"
#include "tools/make_model/ImageHeaders.h"

#include <vtkNIFTIImageHeader.h>
#include <vtk_zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace makemodel {

namespace {

std::string
shortBy(std::int64_t present, std::int64_t bytes)
{
  return "is shorter than its header says: " + std::to_string(std::max<std::int64_t>(0, present)) +
         " of " + std::to_string(bytes) + " bytes of voxels";
}

// Reads and drops count bytes; false when the file ends first.
bool
skip(RegularFile& file, std::int64_t count)
{
  std::vector<char> block(std::size_t(std::min<std::int64_t>(count, 1 << 20)) + 1);
  while (count > 0) {
    const std::int64_t part = std::min<std::int64_t>(count, std::int64_t(block.size()));
    if (file.read(block.data(), part) != part) {
      return false;
    }
    count -= part;
  }
  return true;
}

// Decompresses a gzip or zlib stream from the file's position until bytes have come out: the
// problem, empty when they did. Concatenated gzip members are read on, as gzip does.
std::string
compressedProblem(RegularFile& file, std::int64_t bytes)
{
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 32) != Z_OK) { // 32: gzip or zlib header, whichever is there
    return "cannot be decompressed";
  }
  std::vector<unsigned char> input(1 << 16), output(1 << 20);
  std::int64_t produced = 0;
  int status = Z_OK;
  bool ended = false;
  while (produced < bytes && status != Z_DATA_ERROR && status != Z_MEM_ERROR) {
    if (stream.avail_in == 0) {
      const std::int64_t count = file.read(input.data(), std::int64_t(input.size()));
      if (count <= 0) {
        ended = true;
        break;
      }
      stream.next_in = input.data();
      stream.avail_in = unsigned(count);
    }
    stream.next_out = output.data();
    stream.avail_out = unsigned(output.size());
    status = inflate(&stream, Z_NO_FLUSH);
    produced += std::int64_t(output.size() - stream.avail_out);
    if (status == Z_STREAM_END) {
      inflateReset(&stream);
    } else if (status == Z_BUF_ERROR && stream.avail_in != 0) {
      status = Z_DATA_ERROR;
    }
  }
  inflateEnd(&stream);
  if (produced >= bytes) {
    return {};
  }
  if (!ended && status == Z_DATA_ERROR) {
    return "holds damaged compressed voxels";
  }
  return "is shorter than its header says: its compressed voxels end after " +
         std::to_string(produced) + " of " + std::to_string(bytes) + " bytes";
}

// The voxels of a header in file at offset, in its encoding ("raw" or "gzip").
std::string
voxelsProblem(RegularFile& file,
              std::int64_t offset,
              const std::string& encoding,
              std::int64_t bytes)
{
  if (encoding == "raw") {
    return file.size() - offset < bytes ? shortBy(file.size() - offset, bytes) : std::string();
  }
  if (!skip(file, offset)) {
    return shortBy(0, bytes);
  }
  return compressedProblem(file, bytes);
}

// The data file a header names: one regular file, opened without blocking.
std::string
dataFileProblem(const std::string& headerPath, const std::string& name, RegularFile*& opened)
{
  if (lowerCase(name) == "list" || name.find_first_of(" %") != std::string::npos) {
    return "keeps its voxels in several files (not read here: join them into one file)";
  }
  const std::filesystem::path named(name);
  const std::string path =
    named.is_absolute() ? name : (std::filesystem::path(headerPath).parent_path() / named).string();
  opened = new RegularFile(path);
  if (!opened->isOpen()) {
    return "names a data file " + shortenedInMiddle(name, 200) + " that " + opened->problem();
  }
  return {};
}

// Every number of a header field finite (and positive, for sizes).
std::string
fieldProblem(std::map<std::string, std::string>& fields, const std::string& key, bool size)
{
  if (!fields.count(key)) {
    return {};
  }
  for (double number : numbersIn(fields[key])) {
    if (size ? !plausibleVoxelSize(number) : !(std::abs(number) <= 1e6)) {
      return "has a " + key + " field that is not " +
             (size ? "a voxel size from 0.0001 to 1000" : "made of finite numbers within 10^6") +
             ": " + shortenedInMiddle(fields[key], 80);
    }
  }
  return {};
}

std::string
nrrdEncoding(const std::string& name)
{
  const std::string encoding = lowerCase(name);
  return encoding == "gz"                           ? "gzip"
         : encoding == "bz2"                        ? "bzip2"
         : encoding == "txt" || encoding == "ascii" ? "text"
                                                    : encoding;
}

} // namespace

bool
plausibleVoxelSize(double size)
{
  return size >= 1e-4 && size <= 1e3;
}

std::string
nrrdHeaderProblem(const std::string& path)
{
  auto fields = headerFields(path, ':');
  // Voxels in the same file follow a blank line; without one VTK's reader was seen to read on
  // without end.
  if (!fields.count(headerCompleteKey) ||
      (!endsWith(lowerCase(path), ".nhdr") && fields.count(headerBlankKey) == 0)) {
    return "has a header longer than 64 KiB, or no blank line before its voxels";
  }
  // VTK's reader went round without end on a header line holding a NUL byte.
  if (fields.count(headerBinaryKey)) {
    return "has a header that is not text (a NUL byte)";
  }
  if (!fields.count("type") || !fields.count("dimension") || !fields.count("sizes")) {
    return "lacks one of the fields a NRRD header needs (type, dimension, sizes)";
  }
  // VTK's reader trusts the dimension to count the sizes: a header of dimension 6 with three
  // sizes crashed it. 3 axes, or 4 with one of vector components.
  const std::vector<double> dimension = numbersIn(fields["dimension"]);
  const std::vector<double> sizes = numbersIn(fields["sizes"]);
  if (dimension.size() != 1 || !(dimension[0] == 3 || dimension[0] == 4) ||
      sizes.size() != std::size_t(dimension[0])) {
    return "has a dimension (" + shortenedInMiddle(fields["dimension"], 20) + ") and sizes (" +
           shortenedInMiddle(fields["sizes"], 60) + ") that do not make a 3-D image";
  }
  for (double size : sizes) {
    if (!(size >= 1 && size <= 2147483647.0) || size != std::floor(size)) {
      return "has a size that is not a whole number of voxels: " +
             shortenedInMiddle(fields["sizes"], 60);
    }
  }
  // An axis outside space (a segmentation's layers) has direction "none" and spacing NaN; the
  // axes in space are checked when the layout is known.
  if (fields.count("space directions")) {
    std::string& directionsText = fields["space directions"];
    for (std::size_t none = lowerCase(directionsText).find("none"); none != std::string::npos;
         none = lowerCase(directionsText).find("none")) {
      directionsText.replace(none, 4, " ");
    }
  }
  for (const char* key : { "spacings", "space directions", "space origin" }) {
    if (dimension[0] == 4 && std::strcmp(key, "spacings") == 0) {
      continue;
    }
    if (auto problem = fieldProblem(fields, key, std::strcmp(key, "spacings") == 0);
        !problem.empty()) {
      return problem;
    }
  }
  if (fields.count("space directions")) {
    // Each direction's length is its axis's voxel size.
    const std::vector<double> directions = numbersIn(fields["space directions"]);
    for (std::size_t axis = 0; axis + 2 < directions.size(); axis += 3) {
      if (!plausibleVoxelSize(
            std::hypot(directions[axis], directions[axis + 1], directions[axis + 2]))) {
        return "has a space direction whose length is not a voxel size from 0.0001 to 1000";
      }
    }
  }
  const std::string encoding = nrrdEncoding(fields["encoding"]);
  if (encoding != "raw" && encoding != "gzip" && encoding != "bzip2" && encoding != "text") {
    return "has voxels in an encoding not read here (" + shortenedInMiddle(encoding, 40) +
           "; raw, gzip, bzip2 or text are)";
  }
  return {};
}

std::string
metaImageHeaderProblem(const std::string& path)
{
  auto fields = headerFields(path, '=');
  if (!fields.count(headerCompleteKey) || !fields.count("elementdatafile")) {
    return "has no ElementDataFile line within its first 64 KiB";
  }
  if (fields.count(headerBinaryKey)) {
    return "has a header that is not text (a NUL byte)";
  }
  for (const char* key : { "elementspacing", "elementsize" }) {
    if (auto problem = fieldProblem(fields, key, true); !problem.empty()) {
      return problem;
    }
  }
  for (const char* key : { "transformmatrix", "orientation", "offset", "origin", "position" }) {
    if (auto problem = fieldProblem(fields, key, false); !problem.empty()) {
      return problem;
    }
  }
  return {};
}

std::string
metaImageProblem(const std::string& path, std::int64_t bytes)
{
  if (auto problem = metaImageHeaderProblem(path); !problem.empty()) {
    return problem;
  }
  auto fields = headerFields(path, '=');
  const std::string dataFile = fields["elementdatafile"];
  std::int64_t offset = 0;
  const std::vector<double> skipped = numbersIn(fields["headersize"]);
  const double headerSize = skipped.empty() ? 0 : skipped[0];
  if (!(headerSize == -1 || (headerSize >= 0 && headerSize <= 1e12))) {
    return "has a HeaderSize that is no size: " + shortenedInMiddle(fields["headersize"], 40);
  }
  RegularFile* opened = nullptr;
  std::unique_ptr<RegularFile> holder;
  if (lowerCase(dataFile) == "local") {
    opened = new RegularFile(path);
    offset = std::strtoll(fields[headerEndKey].c_str(), nullptr, 10);
  } else if (auto problem = dataFileProblem(path, dataFile, opened); !problem.empty()) {
    holder.reset(opened);
    return problem;
  }
  holder.reset(opened);
  if (!opened->isOpen()) {
    return opened->problem();
  }
  const bool compressed = lowerCase(fields["compresseddata"]) == "true";
  if (headerSize == -1) {
    if (compressed) {
      return "has compressed voxels at an offset counted from the end (not read here)";
    }
    offset = std::max<std::int64_t>(offset, opened->size() - bytes); // the voxels end the file
  } else {
    offset += std::int64_t(headerSize);
  }
  return voxelsProblem(*opened, offset, compressed ? "gzip" : "raw", bytes);
}

std::string
niftiProblem(const std::string& path, vtkNIFTIImageHeader* header, std::int64_t bytes)
{
  for (int axis = 1; axis <= 3; ++axis) {
    if (!plausibleVoxelSize(header->GetPixDim(axis))) {
      return "has a voxel size (pixdim[" + std::to_string(axis) +
             "]) that is not from 0.0001 to 1000: " + std::to_string(header->GetPixDim(axis));
    }
  }
  double rows[3][4];
  header->GetSRowX(rows[0]);
  header->GetSRowY(rows[1]);
  header->GetSRowZ(rows[2]);
  const double quaternion[6] = { header->GetQuaternB(), header->GetQuaternC(),
                                 header->GetQuaternD(), header->GetQOffsetX(),
                                 header->GetQOffsetY(), header->GetQOffsetZ() };
  for (int value = 0; value < 12; ++value) {
    if (header->GetSFormCode() > 0 && !(std::abs(rows[value / 4][value % 4]) <= 1e6)) {
      return "has a placement (sform) that is not made of finite numbers within 10^6";
    }
    if (value < 6 && header->GetQFormCode() > 0 && !(std::abs(quaternion[value]) <= 1e6)) {
      return "has a placement (qform) that is not made of finite numbers within 10^6";
    }
  }
  // 348 bytes of a NIfTI-1 header (540 of NIfTI-2) and 4 of extension flags come first.
  const char* magic = header->GetMagic();
  const std::int64_t headerBytes = magic && magic[2] == '2' ? 544 : 352;
  const std::int64_t offset = header->GetVoxOffset();
  if (offset < headerBytes || offset > (std::int64_t(1) << 40)) {
    return "has its voxels at offset " + std::to_string(offset) + ", inside its " +
           std::to_string(headerBytes) + "-byte header or past any file";
  }
  RegularFile file(path);
  if (!file.isOpen()) {
    return file.problem();
  }
  if (endsWith(lowerCase(path), ".gz")) {
    return compressedProblem(file, offset + bytes).empty()
             ? std::string()
             : "is shorter than its header says, or its compressed bytes are damaged";
  }
  return voxelsProblem(file, offset, "raw", bytes);
}

std::string
vtiProblem(const std::string& path)
{
  RegularFile file(path);
  if (!file.isOpen()) {
    return file.problem();
  }
  std::string head(std::size_t(std::min<std::int64_t>(file.size(), 1 << 20)), '\0');
  head.resize(std::size_t(std::max<std::int64_t>(0, file.read(head.data(), head.size()))));
  head = head.substr(0, head.find("<AppendedData"));
  // The value of attribute name in the first tag that has it.
  auto attribute = [&](const std::string& name, std::size_t from = 0) -> std::string {
    const std::size_t at = head.find(" " + name + "=\"", from);
    if (at == std::string::npos) {
      return "\x01none";
    }
    const std::size_t start = at + name.size() + 3;
    return head.substr(start, head.find('"', start) - start);
  };
  const std::string whole = attribute("WholeExtent");
  const std::size_t piece = head.find("<Piece");
  if (whole == "\x01none" || piece == std::string::npos ||
      head.find("<Piece", piece + 1) != std::string::npos ||
      numbersIn(attribute("Extent", piece)) != numbersIn(whole)) {
    return "is not one piece covering the whole image (WholeExtent " +
           shortenedInMiddle(whole, 60) + ")";
  }
  const std::string spacing = attribute("Spacing");
  for (double size : numbersIn(spacing)) {
    if (spacing != "\x01none" && !plausibleVoxelSize(size)) {
      return "has a Spacing that is not a voxel size from 0.0001 to 1000";
    }
  }
  for (const char* name : { "Origin", "Direction" }) {
    const std::string values = attribute(name);
    for (double value : numbersIn(values)) {
      if (values != "\x01none" && !(std::abs(value) <= 1e6)) {
        return std::string("has an ") + name + " that is not made of finite numbers within 10^6";
      }
    }
  }
  return {};
}

} // namespace makemodel
