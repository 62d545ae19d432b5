// The last stage of the legacy surface check: reads a file the structure walk accepted with
// VTK's reader, and checks what the reader produced before a mapper sees it.

#include "loading/LegacyPolyDataCheck.h"
#include "loading/LegacyScanner.h"
#include "loading/ModelFile.h"

#include <vtkCallbackCommand.h>
#include <vtkCellArray.h>
#include <vtkCellData.h>
#include <vtkCharArray.h>
#include <vtkCommand.h>
#include <vtkDataArray.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataReader.h>

#include <algorithm>

namespace {

std::string
checkCellArray(vtkCellArray* cells, vtkIdType pointCount, const char* what)
{
  if (cells == nullptr) {
    return {};
  }
  vtkDataArray* offsets = cells->GetOffsetsArray();
  vtkDataArray* connectivity = cells->GetConnectivityArray();
  if (offsets == nullptr || connectivity == nullptr) {
    return std::string(what) + " lack their cell arrays";
  }
  const vtkIdType offsetCount = offsets->GetNumberOfValues();
  const vtkIdType idCount = connectivity->GetNumberOfValues();
  if (offsetCount == 0) {
    return idCount == 0 ? std::string() : std::string(what) + " have ids but no offsets";
  }
  auto check = [&](auto* offsetValues, auto* idValues) -> std::string {
    if (offsetValues[0] != 0 || offsetValues[offsetCount - 1] != idCount) {
      return std::string(what) + " have offsets that do not match their point ids";
    }
    for (vtkIdType index = 1; index < offsetCount; ++index) {
      if (offsetValues[index] < offsetValues[index - 1]) {
        return std::string(what) + " have offsets that go backwards";
      }
    }
    for (vtkIdType index = 0; index < idCount; ++index) {
      if (idValues[index] < 0 || idValues[index] >= pointCount) {
        return std::string(what) + " refer to point " + std::to_string(idValues[index]) +
               ", but there are only " + std::to_string(pointCount) + " points";
      }
    }
    return {};
  };
  if (cells->IsStorage64Bit()) {
    return check(cells->GetOffsetsArray64()->GetPointer(0),
                 cells->GetConnectivityArray64()->GetPointer(0));
  }
  return check(cells->GetOffsetsArray32()->GetPointer(0),
               cells->GetConnectivityArray32()->GetPointer(0));
}

std::string
checkAttributeLengths(vtkDataSetAttributes* attributes, vtkIdType count, const char* what)
{
  if (attributes == nullptr) {
    return {};
  }
  for (int index = 0; index < attributes->GetNumberOfArrays(); ++index) {
    vtkAbstractArray* array = attributes->GetAbstractArray(index);
    if (array != nullptr && array->GetNumberOfTuples() != count) {
      return std::string(what) + " array " + (array->GetName() ? array->GetName() : "") +
             " does not match the number of " +
             (std::string(what) == "point data" ? "points" : "cells");
    }
  }
  return {};
}

// The surface file's bytes, read once, in the array VTK's reader parses in place of the file.
struct SurfaceBytes
{
  vtkSmartPointer<vtkCharArray> bytes;
  std::string problem;
  std::string_view view() const
  {
    return { bytes->GetPointer(0), std::size_t(bytes->GetNumberOfValues()) };
  }
};

SurfaceBytes
readSurfaceBytes(const std::string& path)
{
  SurfaceBytes result;
  RegularFile file(path);
  if (!file.isOpen()) {
    result.problem = file.problem() == "is not a regular file" ? "it is not a regular file"
                                                               : "the file cannot be opened";
    return result;
  }
  // The first line first: a file that is not a legacy file at all (gigabytes of zeros) is
  // refused after one block, without the rest being read.
  std::string first(std::size_t(std::min(file.size() + 1, firstBlockBytes)), '\0');
  const std::int64_t firstCount = file.read(first.data(), std::int64_t(first.size()));
  if (firstCount < 0) {
    result.problem = "the file cannot be read";
    return result;
  }
  first.resize(std::size_t(firstCount));
  const bool wholeFile = firstCount < firstBlockBytes;
  if (std::string problem = checkLegacyFirstLine(first, wholeFile); !problem.empty()) {
    result.problem = problem;
    return result;
  }
  if (file.size() > largestSurfaceBytes || firstCount > file.size()) {
    result.problem = firstCount > file.size()
                       ? "the file grew while it was read"
                       : "it is larger than " + megabytes(largestSurfaceBytes);
    return result;
  }
  // One byte beyond the size: a file that grows while it is read is noticed, not cut.
  result.bytes = vtkSmartPointer<vtkCharArray>::New();
  result.bytes->SetNumberOfValues(vtkIdType(file.size()) + 1);
  char* bytes = result.bytes->GetPointer(0);
  std::copy(first.begin(), first.end(), bytes);
  const std::int64_t restCount = file.read(bytes + firstCount, file.size() + 1 - firstCount);
  if (restCount < 0) {
    result.problem = "the file cannot be read";
    return result;
  }
  if (firstCount + restCount > file.size()) {
    result.problem = "the file grew while it was read";
    return result;
  }
  result.bytes->SetNumberOfValues(vtkIdType(firstCount) + vtkIdType(restCount));
  return result;
}

} // namespace

std::string
checkLegacyPolyDataFile(const std::string& path)
{
  const SurfaceBytes read = readSurfaceBytes(path);
  return read.problem.empty() ? checkLegacyPolyData(read.view()) : read.problem;
}

std::string
checkPolyDataConsistency(vtkPolyData* data)
{
  if (data == nullptr) {
    return "the reader produced nothing";
  }
  const vtkIdType pointCount = data->GetPoints() ? data->GetPoints()->GetNumberOfPoints() : 0;
  std::string problem = checkCellArray(data->GetVerts(), pointCount, "vertices");
  if (problem.empty()) {
    problem = checkCellArray(data->GetLines(), pointCount, "lines");
  }
  if (problem.empty()) {
    problem = checkCellArray(data->GetPolys(), pointCount, "polygons");
  }
  if (problem.empty()) {
    problem = checkCellArray(data->GetStrips(), pointCount, "triangle strips");
  }
  if (problem.empty()) {
    problem = checkAttributeLengths(data->GetPointData(), pointCount, "point data");
  }
  if (problem.empty()) {
    problem = checkAttributeLengths(data->GetCellData(), data->GetNumberOfCells(), "cell data");
  }
  return problem;
}

SurfaceRead
readCheckedPolyData(const std::string& path)
{
  // On a problem the caller still gets a surface, an empty one, so the rest of a load goes on.
  auto refused = [](std::string problem) {
    return SurfaceRead{ vtkSmartPointer<vtkPolyData>::New(), std::move(problem) };
  };
  const SurfaceBytes read = readSurfaceBytes(path);
  if (!read.problem.empty()) {
    return refused(read.problem);
  }
  if (std::string problem = checkLegacyPolyData(read.view()); !problem.empty()) {
    return refused(problem);
  }
  // The reader parses the very bytes just checked: a file swapped or changed on disk after the
  // check cannot reach it.
  vtkNew<vtkPolyDataReader> reader;
  reader->ReadFromInputStringOn();
  reader->SetInputArray(read.bytes);
  // The reader's own complaints become the one line the caller prints.
  struct ReaderError
  {
    bool seen = false;
    std::string text;
  } readerError;
  vtkNew<vtkCallbackCommand> errorObserver;
  errorObserver->SetClientData(&readerError);
  errorObserver->SetCallback([](vtkObject*, unsigned long, void* clientData, void* callData) {
    auto* error = static_cast<ReaderError*>(clientData);
    if (!error->seen && callData != nullptr) {
      error->text = static_cast<const char*>(callData);
    }
    error->seen = true;
  });
  reader->AddObserver(vtkCommand::ErrorEvent, errorObserver);
  reader->Update();
  vtkSmartPointer<vtkPolyData> output = reader->GetOutput();
  if (readerError.seen) {
    // VTK's message reads "ERROR: In <source>, line <n>\n<class> (<address>): <what>".
    std::string what = readerError.text;
    const std::size_t start = what.find("): ");
    what = start == std::string::npos ? std::string() : what.substr(start + 3);
    what = what.substr(0, what.find('\n'));
    return refused(what.empty() ? "the reader reported an error"
                                : "the reader reported: " + legacy::printable(what, 120));
  }
  if (std::string problem = checkPolyDataConsistency(output); !problem.empty()) {
    return refused(problem);
  }
  // The reader keeps cells with 64-bit offsets and point ids; a surface of fewer than 2^31 points
  // needs only 32. That halves the cells' memory, which the surfaces hold for as long as the
  // model is shown: 6 MB of the sample model's 12.5 MB, 8 MB off the peak at start-up.
  for (vtkCellArray* cells :
       { output->GetVerts(), output->GetLines(), output->GetPolys(), output->GetStrips() }) {
    if (cells != nullptr && cells->IsStorage64Bit() && cells->CanConvertTo32BitStorage()) {
      cells->ConvertTo32BitStorage();
    }
  }
  return SurfaceRead{ output, std::string() };
}
