// The NIfTI header's own consistency, checked before VTK's reader parses it: the reader takes
// the byte order from dim[0] and trusted the rest, and a header whose size field and dim[0]
// disagreed crashed it.

#include "tools/make_model/VoxelChecks.h"

#include "loading/ModelFile.h"
#include "tools/make_model/ImageHeaders.h"

#include <vtk_zlib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

namespace makemodel {

namespace {

// The first count bytes of the file, decompressed when it is gzip: fewer when it is shorter.
std::string
leadingBytes(RegularFile& file, std::size_t count, bool compressed)
{
  std::string bytes(count, '\0');
  if (!compressed) {
    bytes.resize(std::size_t(std::max<std::int64_t>(0, file.read(bytes.data(), count))));
    return bytes;
  }
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) {
    return {};
  }
  std::vector<unsigned char> input(4096);
  stream.next_out = reinterpret_cast<unsigned char*>(bytes.data());
  stream.avail_out = unsigned(count);
  int status = Z_OK;
  while (stream.avail_out > 0 && status == Z_OK) {
    if (stream.avail_in == 0) {
      const std::int64_t got = file.read(input.data(), std::int64_t(input.size()));
      if (got <= 0) {
        break;
      }
      stream.next_in = input.data();
      stream.avail_in = unsigned(got);
    }
    status = inflate(&stream, Z_NO_FLUSH);
  }
  bytes.resize(count - stream.avail_out);
  inflateEnd(&stream);
  return bytes;
}

template<typename T>
T
valueAt(const std::string& bytes, std::size_t offset, bool swapped)
{
  T value;
  char raw[sizeof(T)];
  std::memcpy(raw, bytes.data() + offset, sizeof(T));
  if (swapped) {
    std::reverse(raw, raw + sizeof(T));
  }
  std::memcpy(&value, raw, sizeof(T));
  return value;
}

} // namespace

std::string
niftiHeaderProblem(const std::string& path)
{
  RegularFile file(path);
  if (!file.isOpen()) {
    return file.problem();
  }
  const std::string bytes = leadingBytes(file, 540, endsWith(lowerCase(path), ".gz"));
  if (bytes.size() < 348) {
    return "cannot be read as a NIfTI image (too short for its header)";
  }
  // NIfTI-1: a 348-byte header, dim[] of 16-bit numbers at 40, "n+1" at 344 for voxels in the
  // same file. NIfTI-2: 540 bytes, "n+2" at 4, dim[] of 64-bit numbers at 16.
  const bool version2 = bytes.size() >= 540 && bytes.compare(4, 3, "n+2") == 0;
  const auto size = valueAt<std::int32_t>(bytes, 0, false);
  const std::int32_t expected = version2 ? 540 : 348;
  const bool swapped = size != expected;
  if (swapped && valueAt<std::int32_t>(bytes, 0, true) != expected) {
    return "cannot be read as a NIfTI image (its header size is not 348 or 540)";
  }
  if (!version2 && bytes.compare(344, 4, std::string("n+1\0", 4)) != 0) {
    return "cannot be read as a single-file NIfTI image (no \"n+1\" mark)";
  }
  std::int64_t dim[8];
  for (int index = 0; index < 8; ++index) {
    dim[index] = version2 ? valueAt<std::int64_t>(bytes, 16 + 8 * std::size_t(index), swapped)
                          : valueAt<std::int16_t>(bytes, 40 + 2 * std::size_t(index), swapped);
  }
  if (dim[0] < 1 || dim[0] > 7) {
    return "has a header whose dimension count (dim[0] = " + std::to_string(dim[0]) +
           ") is not from 1 to 7";
  }
  for (int index = 1; index <= dim[0]; ++index) {
    if (dim[index] < 1 || dim[index] > (std::int64_t(1) << 31)) {
      return "has a header whose size along axis " + std::to_string(index) + " is " +
             std::to_string(dim[index]);
    }
  }
  // One number a voxel, of a type the tool reads, as many bits as the type has: VTK's reader
  // crashed on a type it does not know.
  static const std::map<int, int> bitsOfType = { { 2, 8 },    { 4, 16 },   { 8, 32 },
                                                 { 16, 32 },  { 64, 64 },  { 256, 8 },
                                                 { 512, 16 }, { 768, 32 }, { 1024, 64 },
                                                 { 1280, 64 } };
  const int type = valueAt<std::int16_t>(bytes, version2 ? 12 : 70, swapped);
  const int bits = valueAt<std::int16_t>(bytes, version2 ? 14 : 72, swapped);
  const auto known = bitsOfType.find(type);
  if (known == bitsOfType.end() || known->second != bits) {
    return "has voxels of a type this tool does not read (datatype " + std::to_string(type) + ", " +
           std::to_string(bits) + " bits)";
  }
  return {};
}

} // namespace makemodel
