#include "report/svg_writer.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/errors.hpp"

namespace dls {

namespace {

constexpr const char* kDuplicationColour = "#c0392b";
constexpr const char* kLossColour = "#1f5fa8";
constexpr const char* kSupportColour = "#666666";
constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";

// --- Texts ------------------------------------------------------------------

// The text as XML can hold it: UTF-8 sequences that are valid and name a
// character XML allows are kept, tabs and line breaks become spaces, other
// control characters and each broken sequence become U+FFFD.
std::string drawable(std::string_view text) {
  static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};  // below: an overlong form
  std::string result;
  result.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      if (lead == '\t' || lead == '\n' || lead == '\r')
        result += ' ';
      else if (lead < 0x20 || lead == 0x7F)
        result += kReplacementCharacter;
      else
        result += static_cast<char>(lead);
      ++i;
      continue;
    }
    const int length = lead > 0xF4 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    char32_t code = lead & (0x7F >> length);
    int taken = 1;
    for (; taken < length && i + taken < text.size(); ++taken) {
      const auto next = static_cast<unsigned char>(text[i + taken]);
      if ((next & 0xC0) != 0x80) break;
      code = code << 6 | (next & 0x3F);
    }
    const bool valid = length != 0 && taken == length && code >= kSmallest[length] && code >= 0xA0 &&
                       code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF) && code != 0xFFFE && code != 0xFFFF;
    if (valid)
      result.append(text.substr(i, static_cast<std::size_t>(taken)));
    else
      result += kReplacementCharacter;
    i += static_cast<std::size_t>(taken);
  }
  return result;
}

// A width no narrower than that of the drawable text in the fonts asked for
// (DejaVu Sans, the widest of them, or Verdana): 1 em for M, W, m, w, @, %
// and every character beyond ASCII (CJK ones are that wide), 0.85 em for
// the other capitals and the mathematical signs, 0.65 em for the rest.
// Bold text is a tenth wider.
double textWidth(std::string_view text, double fontSize, bool bold = false) {
  double ems = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80)
      ems += (byte & 0xC0) == 0x80 ? 0 : 1;
    else if (std::strchr("MWmw@%", c) != nullptr)
      ems += 1;
    else if ((c >= 'A' && c <= 'Z') || std::strchr("#&+<=>~^", c) != nullptr)
      ems += 0.85;
    else
      ems += 0.65;
  }
  return ems * fontSize * (bold ? 1.1 : 1);
}

void appendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
}

// A length in pixels, to a tenth, whatever the stream's locale.
void appendNumber(std::string& out, double value) {
  long long tenths = std::llround(value * 10);
  if (tenths < 0) {
    out += '-';
    tenths = -tenths;
  }
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, tenths / 10).ptr);
  if (tenths % 10 != 0) {
    out += '.';
    out += static_cast<char>('0' + tenths % 10);
  }
}

void appendAttribute(std::string& out, const char* name, double value) {
  out += ' ';
  out += name;
  out += "=\"";
  appendNumber(out, value);
  out += '"';
}

// An event count as drawn: whole from 1000 on, else up to 4 significant digits.
std::string countText(double value) {
  if (!std::isfinite(value) || value < 0)
    throw InternalError("the event counts of a species tree picture are finite and not negative");
  char text[48];
  std::snprintf(text, sizeof text, value >= 1000 ? "%.0f" : "%.4g", value);
  return text;
}

// A part of a line of text, in a colour of its own (null: the line's).
struct TextPiece {
  std::string text;  // drawable
  const char* colour;
};

// A <text> element at (x, y) of the pieces; attributes (anchor, size,
// colour) as given, starting with a blank.
void appendText(std::string& out, double x, double y, const std::vector<TextPiece>& pieces,
                const char* attributes = "") {
  out += "<text";
  appendAttribute(out, "x", x);
  appendAttribute(out, "y", y);
  out += attributes;
  out += '>';
  for (const TextPiece& piece : pieces) {
    if (piece.colour != nullptr) {
      out += "<tspan fill=\"";
      out += piece.colour;
      out += "\">";
    }
    appendEscaped(out, piece.text);
    if (piece.colour != nullptr) out += "</tspan>";
  }
  out += "</text>\n";
}

// --- Sizes ------------------------------------------------------------------

// Every size of the picture follows the font of the leaf names: 14 px up to
// 20 leaves, a pixel less at every doubling beyond, 10 px from about 320.
struct Metrics {
  explicit Metrics(std::size_t leaves)
      : font(std::clamp(14 - std::log2(static_cast<double>(leaves) / 20), 10.0, 14.0)) {}
  double font;
  double row() const { return 1.5 * font; }                    // from one leaf to the next
  double small() const { return std::max(8.0, 0.75 * font); }  // event counts and support labels
  double title() const { return 1.25 * font; }
  double radius() const { return 0.6 * font; }  // of the largest duplication mark
  double margin() const { return 1.5 * font; }
  double line() const { return std::max(1.0, font / 12); }
};

// One line of the legend: an optional circle of that radius, then the text.
struct LegendLine {
  double circle;
  std::vector<TextPiece> pieces;
};

// The picture of one tree: its layout and texts are worked out when it is
// made, then it is written.
class Drawing {
 public:
  Drawing(const SpeciesTree& tree, const NameTable& names, const SpeciesTreePicture& picture);
  void write(std::ostream& out) const;

 private:
  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }
  void layOut();
  void prepareTexts();
  void prepareLegend();
  void place();
  double x(NodeId v) const { return margin_ + step_ * (1 + height_[at(tree_.root())] - height_[at(v)]); }
  double y(NodeId v) const { return treeTop_ + row_[at(v)] * m_.row(); }
  double parentX(NodeId v) const { return v == tree_.root() ? margin_ : x(tree_.parent(v)); }
  void writeHeader(std::string& text) const;
  // A group of marks, drawNode(v) adding those of node v to text.
  template <class DrawNode>
  void writeGroup(std::ostream& out, std::string& text, const std::string& attributes, DrawNode&& drawNode) const;

  const SpeciesTree& tree_;
  const NameTable& names_;
  const SpeciesTreePicture& picture_;
  const bool showDuplications_, showLosses_;
  // Per node: the row (leaves 0, 1, ...; an inner node between its
  // children's) and the height (edges on the longest path down to a leaf);
  // the nodes in the order they are drawn.
  std::vector<double> row_;
  std::vector<int> height_;
  std::vector<NodeId> order_;
  double leaves_ = 0;
  Metrics m_{1};
  // Per node, drawable: the counts (both set or neither) and the support.
  std::vector<std::string> duplicationText_, lossText_, support_;
  double mostDuplications_ = 0, countWidth_ = 0, supportWidth_ = 0, nameWidth_ = 0;
  bool anySupport_ = false;
  std::string title_;
  std::vector<LegendLine> legend_;
  // Places and sizes in pixels.
  double margin_ = 0, radius_ = 0, legendIndent_ = 0, titleY_ = 0, legendY_ = 0, treeTop_ = 0, step_ = 0, nameX_ = 0;
  double width_ = 0, pictureHeight_ = 0;
};

Drawing::Drawing(const SpeciesTree& tree, const NameTable& names, const SpeciesTreePicture& picture)
    : tree_(tree),
      names_(names),
      picture_(picture),
      showDuplications_(!picture.duplications.empty()),
      showLosses_(!picture.losses.empty()) {
  for (const std::size_t length : {picture.support.size(), picture.duplications.size(), picture.losses.size()})
    if (length != 0 && length != tree.size())
      throw InternalError("each per-node list of a species tree picture is empty or has an entry per node");
  if (tree.root() == kNoNode) throw InternalError("a species tree to draw has a root");
  layOut();
  prepareTexts();
  prepareLegend();
  place();
}

void Drawing::layOut() {
  row_.resize(tree_.size());
  height_.resize(tree_.size());
  order_.reserve(tree_.size());
  forEachPostorder(
      tree_.root(), [this](NodeId v, int i) { return tree_.child(v, i); },
      [this](NodeId v) {
        order_.push_back(v);
        if (tree_.isLeaf(v)) {
          row_[at(v)] = leaves_++;
          return;
        }
        const NodeId a = tree_.child(v, 0), b = tree_.child(v, 1);
        if (b == kNoNode) throw InternalError("every inner node of a species tree has two children");
        row_[at(v)] = (row_[at(a)] + row_[at(b)]) / 2;
        height_[at(v)] = 1 + std::max(height_[at(a)], height_[at(b)]);
      });
  m_ = Metrics(static_cast<std::size_t>(leaves_));
}

void Drawing::prepareTexts() {
  if (showDuplications_) duplicationText_.resize(tree_.size());
  if (showLosses_) lossText_.resize(tree_.size());
  if (!picture_.support.empty()) support_.resize(tree_.size());
  for (const NodeId v : order_) {
    const double duplications = showDuplications_ ? picture_.duplications[at(v)] : 0;
    const double losses = showLosses_ ? picture_.losses[at(v)] : 0;
    const std::string duplicationCount = countText(duplications), lossCount = countText(losses);
    mostDuplications_ = std::max(mostDuplications_, duplications);
    if (duplications > 0 || losses > 0) {
      if (showDuplications_) duplicationText_[at(v)] = duplicationCount;
      if (showLosses_) lossText_[at(v)] = lossCount;
      const bool both = showDuplications_ && showLosses_;
      countWidth_ = std::max(countWidth_, textWidth(duplicationCount + (both ? "/" : "") + lossCount, m_.small()));
    }
    if (tree_.isLeaf(v)) {
      nameWidth_ = std::max(nameWidth_, textWidth(drawable(names_.text(tree_.name(v))), m_.font));
    } else if (!support_.empty()) {
      support_[at(v)] = drawable(picture_.support[at(v)]);
      supportWidth_ = std::max(supportWidth_, textWidth(support_[at(v)], m_.small()));
    }
  }
  title_ = drawable(picture_.title);
}

void Drawing::prepareLegend() {
  if (mostDuplications_ > 0)
    legend_.push_back({m_.radius(),
                       {{"Circle area: duplications on the branch (this one: ", nullptr},
                        {countText(mostDuplications_), kDuplicationColour},
                        {")", nullptr}}});
  if (showDuplications_ || showLosses_) {
    LegendLine counts{0, {{"Numbers over a branch: ", nullptr}}};
    if (showDuplications_) counts.pieces.push_back({"duplications", kDuplicationColour});
    if (showDuplications_ && showLosses_) counts.pieces.push_back({"/", nullptr});
    if (showLosses_) counts.pieces.push_back({"losses", kLossColour});
    counts.pieces.push_back({" on it (blank: none)", nullptr});
    legend_.push_back(counts);
  }
  anySupport_ = std::any_of(support_.begin(), support_.end(), [](const std::string& label) { return !label.empty(); });
  if (anySupport_)
    legend_.push_back(
        picture_.supportMeaning.empty()
            ? LegendLine{0,
                         {{"Under a branch: ", nullptr}, {"support", kSupportColour}, {" of the clade below", nullptr}}}
            : LegendLine{0, {{"Under a branch: ", nullptr}, {drawable(picture_.supportMeaning), kSupportColour}}});
}

// The header (title and legend) on top, then the tree, its root branch
// starting at the left margin, every branch long enough for its texts.
void Drawing::place() {
  margin_ = m_.margin();
  radius_ = m_.radius();
  legendIndent_ = 2 * radius_ + 0.6 * m_.font;
  double headerWidth = textWidth(title_, m_.title(), true);
  for (const LegendLine& line : legend_) {
    std::string whole;
    for (const TextPiece& piece : line.pieces) whole += piece.text;
    headerWidth = std::max(headerWidth, legendIndent_ + textWidth(whole, m_.font));
  }
  titleY_ = margin_ + m_.title();
  legendY_ = (title_.empty() ? margin_ : titleY_ + 0.6 * m_.font) + m_.font;
  treeTop_ = legendY_ + static_cast<double>(legend_.size()) * 1.5 * m_.font + m_.row();
  step_ = std::max({2 * m_.font, countWidth_ + radius_ + 0.8 * m_.font, supportWidth_ + radius_ + 0.8 * m_.font});
  nameX_ = margin_ + step_ * (1 + height_[at(tree_.root())]) + radius_ + 0.4 * m_.font;
  // Whole pixels, so that the background covers every pixel of the picture.
  width_ = std::ceil(std::max(nameX_ + nameWidth_, margin_ + headerWidth) + margin_);
  pictureHeight_ = std::ceil(treeTop_ + (leaves_ - 1) * m_.row() + margin_);
}

void Drawing::writeHeader(std::string& text) const {
  text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"";
  appendAttribute(text, "width", width_);
  appendAttribute(text, "height", pictureHeight_);
  text += " viewBox=\"0 0 ";
  appendNumber(text, width_);
  text += ' ';
  appendNumber(text, pictureHeight_);
  text += "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\"";
  appendAttribute(text, "font-size", m_.font);
  text += ">\n";
  if (!title_.empty()) {
    text += "<title>";
    appendEscaped(text, title_);
    text += "</title>\n";
  }
  text += "<rect x=\"0\" y=\"0\" width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  if (!title_.empty()) {
    std::string bold = " font-weight=\"bold\"";
    appendAttribute(bold, "font-size", m_.title());
    appendText(text, margin_, titleY_, {{title_, nullptr}}, bold.c_str());
  }
  for (std::size_t i = 0; i < legend_.size(); ++i) {
    const double baseline = legendY_ + static_cast<double>(i) * 1.5 * m_.font;
    if (legend_[i].circle > 0) {
      text += "<circle";
      appendAttribute(text, "cx", margin_ + radius_);
      appendAttribute(text, "cy", baseline - 0.35 * m_.font);
      appendAttribute(text, "r", legend_[i].circle);
      text += " fill=\"";
      text += kDuplicationColour;
      text += "\" fill-opacity=\"0.5\"/>\n";
    }
    appendText(text, margin_ + legendIndent_, baseline, legend_[i].pieces);
  }
}

template <class DrawNode>
void Drawing::writeGroup(std::ostream& out, std::string& text, const std::string& attributes,
                         DrawNode&& drawNode) const {
  text += "<g " + attributes + ">\n";
  for (const NodeId v : order_) {
    drawNode(v);
    if (text.size() > 60000) {
      out << text;
      text.clear();
    }
  }
  text += "</g>\n";
}

void Drawing::write(std::ostream& out) const {
  std::string text;
  writeHeader(text);
  std::string stroke;
  appendAttribute(stroke, "stroke-width", m_.line());
  writeGroup(out, text, "fill=\"none\" stroke=\"#000000\"" + stroke, [&](NodeId v) {
    text += "<path d=\"M";
    appendNumber(text, parentX(v));
    text += ' ';
    appendNumber(text, y(v));
    text += 'H';
    appendNumber(text, x(v));
    if (!tree_.isLeaf(v)) {
      text += 'M';
      appendNumber(text, x(v));
      text += ' ';
      appendNumber(text, y(tree_.child(v, 0)));
      text += 'V';
      appendNumber(text, y(tree_.child(v, 1)));
    }
    text += "\"/>\n";
  });
  if (mostDuplications_ > 0) {
    writeGroup(out, text, std::string("fill=\"") + kDuplicationColour + "\" fill-opacity=\"0.5\"", [&](NodeId v) {
      const double duplications = picture_.duplications[at(v)];
      if (duplications == 0) return;
      text += "<circle";
      appendAttribute(text, "cx", x(v));
      appendAttribute(text, "cy", y(v));
      appendAttribute(text, "r", radius_ * std::sqrt(duplications / mostDuplications_));
      text += "/>\n";
    });
  }
  // Counts over the branch and support under it, both ending before the node's circle.
  std::string smallFont;
  appendAttribute(smallFont, "font-size", m_.small());
  const double beforeCircle = radius_ + 0.3 * m_.font;
  if (showDuplications_ || showLosses_) {
    writeGroup(out, text, "text-anchor=\"end\"" + smallFont, [&](NodeId v) {
      if ((showDuplications_ ? duplicationText_ : lossText_)[at(v)].empty()) return;
      std::vector<TextPiece> pieces;
      if (showDuplications_) pieces.push_back({duplicationText_[at(v)], kDuplicationColour});
      if (showDuplications_ && showLosses_) pieces.push_back({"/", nullptr});
      if (showLosses_) pieces.push_back({lossText_[at(v)], kLossColour});
      appendText(text, x(v) - beforeCircle, y(v) - 0.3 * m_.font, pieces);
    });
  }
  if (anySupport_) {
    writeGroup(out, text, std::string("text-anchor=\"end\" fill=\"") + kSupportColour + '"' + smallFont, [&](NodeId v) {
      if (!support_[at(v)].empty())
        appendText(text, x(v) - beforeCircle, y(v) + 0.9 * m_.font, {{support_[at(v)], nullptr}});
    });
  }
  writeGroup(out, text, "xml:space=\"preserve\"", [&](NodeId v) {
    if (tree_.isLeaf(v))
      appendText(text, nameX_, y(v) + 0.35 * m_.font, {{drawable(names_.text(tree_.name(v))), nullptr}});
  });
  out << text << "</svg>\n";
  out.flush();
}

}  // namespace

void writeSvg(std::ostream& out, const SpeciesTree& tree, const NameTable& names, const SpeciesTreePicture& picture) {
  Drawing(tree, names, picture).write(out);
}

}  // namespace dls
