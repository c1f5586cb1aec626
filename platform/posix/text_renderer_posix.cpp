// Text through FreeType, in the font fontconfig picks for the asked family
// and simplified Chinese (a CJK font such as Noto Sans CJK when the face
// itself is missing), else for the interface's sans-serif.
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <link.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/text_renderer.h"

namespace platform {

namespace {

struct FontFile {
  std::string path;
  int index = 0;
};

std::optional<FontFile> MatchFont(FcConfig* config, const std::string& pattern) {
  FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
  if (wanted == nullptr) return std::nullopt;
  FcConfigSubstitute(config, wanted, FcMatchPattern);
  FcDefaultSubstitute(wanted);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, wanted, &result);
  FcPatternDestroy(wanted);
  if (match == nullptr) return std::nullopt;
  std::optional<FontFile> font;
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    font = FontFile{reinterpret_cast<const char*>(file), index};
  }
  FcPatternDestroy(match);
  return font;
}

// Whether an object loaded in the process other than this library, or than
// fontconfig itself, was linked against fontconfig.
bool OthersUseFontconfig() {
  struct Search {
    const void* ownBase = nullptr;
    bool others = false;
  } search;
  Dl_info own{};
  if (dladdr(reinterpret_cast<const void*>(&OthersUseFontconfig), &own) == 0) return true;
  search.ownBase = own.dli_fbase;
  dl_iterate_phdr(
      [](dl_phdr_info* object, std::size_t, void* data) {
        auto& search = *static_cast<Search*>(data);
        const std::string_view name = object->dlpi_name != nullptr ? object->dlpi_name : "";
        if (name.find("libfontconfig") != std::string_view::npos) return 0;
        for (int i = 0; i < object->dlpi_phnum; ++i) {
          const ElfW(Phdr)& header = object->dlpi_phdr[i];
          if (header.p_type != PT_DYNAMIC) continue;
          const auto* dynamic = reinterpret_cast<const ElfW(Dyn)*>(object->dlpi_addr + header.p_vaddr);
          const char* strings = nullptr;
          for (const ElfW(Dyn)* entry = dynamic; entry->d_tag != DT_NULL; ++entry) {
            if (entry->d_tag == DT_STRTAB) strings = reinterpret_cast<const char*>(entry->d_un.d_ptr);
          }
          if (strings == nullptr) continue;
          for (const ElfW(Dyn)* entry = dynamic; entry->d_tag != DT_NULL; ++entry) {
            if (entry->d_tag != DT_NEEDED) continue;
            const std::string_view needed = strings + entry->d_un.d_val;
            const bool ours = reinterpret_cast<const void*>(object->dlpi_addr) == search.ownBase;
            if (!ours && needed.find("libfontconfig") != std::string_view::npos) search.others = true;
          }
        }
        return search.others ? 1 : 0;
      },
      &search);
  return search.others;
}

// Fontconfig keeps state of its own once used (default languages, program
// name, paths) that only FcFini releases. When the library goes and takes
// fontconfig with it, nothing else would: each load would leave that state
// behind. When others use fontconfig it stays loaded, its state stays theirs
// and is reused, and FcFini would pull it from under them.
class FontconfigUse {
 public:
  ~FontconfigUse() {
    if (used_.load(std::memory_order_acquire) && !OthersUseFontconfig()) FcFini();
  }
  void Note() { used_.store(true, std::memory_order_release); }

 private:
  std::atomic<bool> used_{false};
};

// Made when the library is loaded, so it is destroyed after every user of
// the text renderer, when the library goes (or the process ends).
FontconfigUse fontconfigUse;

// The font file for a family, looked up once per family: loading
// fontconfig's configuration reads its whole cache. The configuration is
// our own and released afterwards, leaving the library's default alone.
std::optional<FontFile> FontFor(const std::string& face) {
  static std::mutex mutex;
  static std::map<std::string, std::optional<FontFile>> found;
  std::lock_guard lock(mutex);
  const auto known = found.find(face);
  if (known != found.end()) return known->second;
  std::optional<FontFile> font;
  fontconfigUse.Note();
  if (FcConfig* config = FcInitLoadConfigAndFonts()) {
    if (!face.empty()) font = MatchFont(config, face + ":lang=zh-cn");
    if (!font) font = MatchFont(config, "sans-serif:lang=zh-cn");
    if (!font) font = MatchFont(config, "sans-serif");
    FcConfigDestroy(config);
  }
  found.emplace(face, font);
  return font;
}

// The code points of one line; a malformed byte stands for itself.
std::vector<char32_t> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> points;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    char32_t point = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    bool whole = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; whole && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      whole = (next & 0xC0) == 0x80;
      point = (point << 6) | (next & 0x3F);
    }
    if (!whole) {
      points.push_back(lead);
      ++i;
      continue;
    }
    points.push_back(point);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return points;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

// One FreeType library and face for the length of a call, so that calls
// from different threads share nothing.
class Face {
 public:
  Face(const FontFile& font, int pixelHeight) {
    if (FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return;
    }
    if (FT_New_Face(library_, font.path.c_str(), font.index, &face_) != 0 ||
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelHeight)) != 0) {
      return;
    }
    ok_ = true;
    // The character height is the em: the typographic ascent and descent of
    // CJK fonts span it exactly, as a GDI font of negative height does.
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (os2 != nullptr && os2->sTypoAscender > 0 && face_->units_per_EM > 0) {
      const double scale = static_cast<double>(pixelHeight) / face_->units_per_EM;
      ascent_ = static_cast<int>(os2->sTypoAscender * scale + 0.5);
      descent_ = static_cast<int>(-os2->sTypoDescender * scale + 0.5);
    } else {
      ascent_ = static_cast<int>((face_->size->metrics.ascender + 32) >> 6);
      descent_ = static_cast<int>((-face_->size->metrics.descender + 32) >> 6);
    }
  }
  ~Face() {
    if (face_ != nullptr) FT_Done_Face(face_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  bool Ok() const { return ok_; }
  int Ascent() const { return ascent_; }
  int LineHeight() const { return std::max(1, ascent_ + descent_); }

  // Advance of the whole line in pixels.
  int Measure(const std::vector<char32_t>& line) {
    FT_Pos advance = 0;
    for (const char32_t point : line) {
      if (FT_Load_Char(face_, point, FT_LOAD_DEFAULT) == 0) advance += face_->glyph->advance.x;
    }
    return static_cast<int>((advance + 32) >> 6);
  }

  // Sets the line with its origin at (left, baseline) of `mask`, keeping the
  // larger coverage where glyphs overlap.
  void Draw(const std::vector<char32_t>& line, int left, int baseline, CoverageMask& mask) {
    FT_Pos pen = static_cast<FT_Pos>(left) << 6;
    for (const char32_t point : line) {
      if (FT_Load_Char(face_, point, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot glyph = face_->glyph;
      const FT_Bitmap& bitmap = glyph->bitmap;
      const int x0 = static_cast<int>((pen + 32) >> 6) + glyph->bitmap_left;
      const int y0 = baseline - glyph->bitmap_top;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        for (unsigned row = 0; row < bitmap.rows; ++row) {
          const int y = y0 + static_cast<int>(row);
          if (y < 0 || y >= mask.height) continue;
          const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
          for (unsigned column = 0; column < bitmap.width; ++column) {
            const int x = x0 + static_cast<int>(column);
            if (x < 0 || x >= mask.width) continue;
            std::uint8_t& cell = mask.coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(mask.width) +
                                               static_cast<std::size_t>(x)];
            cell = std::max<std::uint8_t>(cell, source[column]);
          }
        }
      }
      pen += glyph->advance.x;
    }
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  bool ok_ = false;
  int ascent_ = 0;
  int descent_ = 0;
};

class FreeTypeTextRenderer final : public TextRenderer {
 public:
  CoverageMask Render(const TextRequest& request) override {
    CoverageMask mask;
    if (request.characterHeight <= 0 || request.text.empty()) return mask;
    const std::optional<FontFile> font = FontFor(request.face);
    if (!font) return mask;
    Face face(*font, request.characterHeight);
    if (!face.Ok()) return mask;

    std::vector<std::vector<char32_t>> lines;
    std::vector<int> widths;
    const std::string_view text = std::string_view(request.text).substr(0, kMaxTextBytes);
    for (const std::string_view line : SplitLines(text)) {
      lines.push_back(DecodeUtf8(line));
      widths.push_back(face.Measure(lines.back()));
    }
    mask.width = *std::max_element(widths.begin(), widths.end());
    mask.height = face.LineHeight() * static_cast<int>(lines.size());
    if (mask.width <= 0 || std::int64_t{mask.width} * mask.height > kMaxCoveragePixels) return {};
    mask.coverage.assign(static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height), 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const int top = face.LineHeight() * static_cast<int>(i);
      face.Draw(lines[i], (mask.width - widths[i]) / 2, top + face.Ascent(), mask);
    }
    return mask;
  }
};

}  // namespace

TextRenderer& SystemTextRenderer() {
  static FreeTypeTextRenderer renderer;
  return renderer;
}

}  // namespace platform
