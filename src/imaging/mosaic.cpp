#include "imaging/mosaic.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace vembrel {

Picture AssembleMosaic(const WellFields& fields) {
  Picture mosaic(kMosaicSize, kMosaicSize);
  constexpr std::size_t kFieldRowBytes = std::size_t{kFieldSize} * 4;
  for (int field = 0; field < 4; ++field) {
    const Picture& source = fields[field];
    if (source.width != kFieldSize || source.height != kFieldSize ||
        source.bytes.size() != kFieldRowBytes * kFieldSize) {
      continue;  // stays black
    }
    const int column = QuadrantColumn(field);
    const int row = QuadrantRow(field);
    for (int r = 0; r < kFieldSize; ++r) {
      std::memcpy(mosaic.bytes.data() + mosaic.offset(column, row + r),
                  source.bytes.data() + source.offset(0, r), kFieldRowBytes);
    }
  }
  return mosaic;
}

std::vector<FieldProblem> ChannelMosaic::problems() const {
  std::vector<FieldProblem> found;
  for (const FieldLoad& field : fields) {
    if (field.problem) found.push_back(*field.problem);
  }
  return found;
}

int ChannelMosaic::reducedFrom() const {
  int side = 0;
  if (fields.size() == 1) {
    return fields.front().side > kMosaicSize ? fields.front().side / 2 : 0;
  }
  for (const FieldLoad& field : fields) {
    if (field.reduced()) side = std::max(side, field.side);
  }
  return side;
}

bool ChannelMosaic::quarterBlack(int quarter) const {
  const FieldLoad& field = fields.size() == 1 ? fields.front() : fields.at(quarter);
  return field.problem && field.problem->leftBlack();
}

ChannelMosaic LoadChannelMosaic(const std::array<std::string, 4>& fieldFiles,
                                const FieldLoadOptions& options) {
  TiffFiles files({fieldFiles.begin(), fieldFiles.end()});
  std::vector<FieldPage> fields;
  for (const std::string& file : fieldFiles) fields.push_back({file, 0});
  return LoadChannelMosaic(fields, options, files);
}

namespace {

template <class Target>
void LoadFields(const std::vector<FieldPage>& fields, const FieldLoadOptions& options,
                TiffFiles& files, Target& mosaic, std::vector<FieldLoad>& loads) {
  constexpr std::size_t kPixelBytes = std::is_same_v<Target, Picture> ? 4 : 1;
  mosaic.width = mosaic.height = kMosaicSize;
  mosaic.bytes.resize(kPixelBytes * kMosaicSize * kMosaicSize);
  const bool wholeWell = fields.size() == 1;
  const int side = wholeWell ? kMosaicSize : kFieldSize;
  for (std::size_t field = 0; field < fields.size(); ++field) {
    const int column = wholeWell ? 0 : QuadrantColumn(static_cast<int>(field));
    const int row = wholeWell ? 0 : QuadrantRow(static_cast<int>(field));
    FieldLoad& load = loads.emplace_back();
    load = LoadFieldPage(files.open(fields[field].file), fields[field].page, mosaic, column, row,
                         side, options);
    files.done(fields[field].file);
    if (!load.problem || !load.problem->leftBlack()) continue;
    for (int r = 0; r < side; ++r) {
      std::memset(mosaic.bytes.data() + kPixelBytes * (std::size_t(row + r) * kMosaicSize + column),
                  0, kPixelBytes * side);
    }
  }
}

}  // namespace

ChannelMosaic LoadChannelMosaic(const std::vector<FieldPage>& fields,
                                const FieldLoadOptions& options, TiffFiles& files,
                                MosaicForm form) {
  ChannelMosaic loaded;
  if (form == MosaicForm::kGreyPlane) {
    LoadFields(fields, options, files, loaded.grey, loaded.fields);
  } else {
    LoadFields(fields, options, files, loaded.mosaic, loaded.fields);
  }
  return loaded;
}

}  // namespace vembrel
