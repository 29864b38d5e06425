// Draws the master bitmap of the project's skin.
//
//   korv_skin_generator OPTIONS.DAT MASTER.BMP
//
// Reads every image value of the form "#(left,top,right,bottom)(count,mask,...)" from the skin's
// INI text and draws that image into its rectangle: the state frames side by side, and for masked
// images the mask in the lower half (0 opaque, 255 transparent). Everything outside the images is
// the key colour 0xFF00FF. The output is a 24-bit bottom-up BMP; only integer arithmetic is used,
// so the same text always gives the same bytes.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const Rgb&) const = default;
};
constexpr Rgb kKey{255, 0, 255};
constexpr Rgb kOpaque{0, 0, 0};
constexpr Rgb kClear{255, 255, 255};

constexpr Rgb Mix(Rgb a, Rgb b, int wb, int total) {
  return Rgb{static_cast<uint8_t>((a.R * (total - wb) + b.R * wb) / total),
             static_cast<uint8_t>((a.G * (total - wb) + b.G * wb) / total),
             static_cast<uint8_t>((a.B * (total - wb) + b.B * wb) / total)};
}

class Image {
 public:
  Image(int w, int h) : W(w), H(h), Px(static_cast<size_t>(w) * h, kKey) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < W && y < H) Px[static_cast<size_t>(y) * W + x] = c;
  }
  Rgb Get(int x, int y) const { return Px[static_cast<size_t>(y) * W + x]; }
  bool Save(const std::string& path) const {
    const int rowBytes = (W * 3 + 3) & ~3;
    const uint32_t dataSize = static_cast<uint32_t>(rowBytes) * H;
    std::vector<uint8_t> out(54 + dataSize, 0);
    auto put16 = [&](size_t at, uint32_t v) {
      out[at] = v & 0xFF;
      out[at + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](size_t at, uint32_t v) {
      put16(at, v & 0xFFFF);
      put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, 54 + dataSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(W));
    put32(22, static_cast<uint32_t>(H));
    put16(26, 1);
    put16(28, 24);
    put32(34, dataSize);
    put32(38, 2835);
    put32(42, 2835);
    for (int y = 0; y < H; ++y) {
      uint8_t* row = &out[54 + static_cast<size_t>(H - 1 - y) * rowBytes];
      for (int x = 0; x < W; ++x) {
        Rgb c = Get(x, y);
        row[x * 3] = c.B;
        row[x * 3 + 1] = c.G;
        row[x * 3 + 2] = c.R;
      }
    }
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(f);
  }
  int W, H;

 private:
  std::vector<Rgb> Px;
};

// One state frame of a masked image: picture at (X, Y), mask MaskDy rows below.
struct Frame {
  Image& Img;
  int X, Y, W, H, MaskDy;
  bool Masked;
  void Pic(int x, int y, Rgb c) const {
    if (x < 0 || y < 0 || x >= W || y >= H) return;
    Img.Set(X + x, Y + y, c);
    if (Masked) Img.Set(X + x, Y + y + MaskDy, kOpaque);
  }
  // A see-through pixel: the key colour in the picture, fully transparent in the mask.
  void Hole(int x, int y) const {
    if (x < 0 || y < 0 || x >= W || y >= H) return;
    Img.Set(X + x, Y + y, kKey);
    if (Masked) Img.Set(X + x, Y + y + MaskDy, kClear);
  }
  // A pixel whose picture shows through the mask partly (0 opaque .. 255 clear).
  void Blend(int x, int y, Rgb c, uint8_t m) const {
    if (x < 0 || y < 0 || x >= W || y >= H) return;
    Img.Set(X + x, Y + y, c);
    if (Masked) Img.Set(X + x, Y + y + MaskDy, Rgb{m, m, m});
  }
  void ClearAll() const {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) Hole(x, y);
  }
};

// Is (x, y) inside a w x h rectangle whose corners are rounded with radius r?
bool Inside(int x, int y, int w, int h, int r) {
  if (x < 0 || y < 0 || x >= w || y >= h) return false;
  if (r <= 0) return true;
  int cx = x < r ? r : (x >= w - r ? w - r - 1 : x);
  int cy = y < r ? r : (y >= h - r ? h - r - 1 : y);
  int dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= r * r;
}

// How deep (x, y) lies inside the rounded rectangle: 0 on its outline, -1 outside.
int Depth(int x, int y, int w, int h, int r) {
  int d = -1;
  while (Inside(x - d - 1, y - d - 1, w - 2 * (d + 1), h - 2 * (d + 1), std::max(0, r - d - 1))) ++d;
  return d;
}

// Does (x, y) lie on the bottom or right half of a ring (shadow side)?
bool BottomRight(int x, int y, int w, int h) { return std::min(w - 1 - x, h - 1 - y) < std::min(x, y); }

// ---- nine-piece borders ------------------------------------------------------------------------

// Ring colours outside in: the top and left sides, and the bottom and right sides.
struct Ring {
  Rgb TopLeft, BottomRight;
};
struct BorderStyle {
  int Radius = 0;
  bool OpenBottom = false;                // the bottom edge stays see-through (the title's frame)
  std::vector<std::vector<Ring>> States;  // per state frame
};

// The rings of one state. The middle is see-through by its mask, so the section's own colour or
// gradient shows there; only the pixels outside rounded corners carry the key colour, as those are
// the ones cut out of window regions.
void DrawBorder(const Frame& f, const BorderStyle& s, int state) {
  const std::vector<Ring>& rings = s.States[std::min<size_t>(state, s.States.size() - 1)];
  const int h = s.OpenBottom ? f.H + 64 : f.H;
  for (int y = 0; y < f.H; ++y)
    for (int x = 0; x < f.W; ++x) {
      int d = Depth(x, y, f.W, h, s.Radius);
      if (d < 0) {
        f.Hole(x, y);  // outside the rounded shape: cut out of the window
        continue;
      }
      if (d >= static_cast<int>(rings.size())) {
        f.Blend(x, y, Rgb{232, 236, 238}, 255);  // the middle: the section's own fill shows
        continue;
      }
      f.Pic(x, y, BottomRight(x, y, f.W, h) ? rings[d].BottomRight : rings[d].TopLeft);
    }
}

BorderStyle StyleFor(const std::string& section) {
  const Rgb slate{46, 64, 78}, slateLight{96, 116, 128}, frameMid{70, 92, 106}, white{255, 255, 255};
  const Rgb grey{168, 180, 188}, greyLight{206, 214, 219}, shadow{150, 162, 170}, teal{52, 98, 120};
  const Rgb amber{214, 132, 30}, amberLight{242, 190, 110}, tealLight{120, 170, 190};
  BorderStyle s;
  if (section == "FORM") {
    // A square four-pixel frame: dark outline, two middle rings, a light inner line.
    s.States = {{{slate, slate}, {frameMid, frameMid}, {frameMid, frameMid}, {slateLight, slate}},
                {{shadow, shadow}, {greyLight, greyLight}, {greyLight, greyLight}, {white, shadow}}};
  } else if (section == "FORMTITLE") {
    // Rounded top corners, open at the bottom where the form's frame continues.
    s.Radius = 6;
    s.OpenBottom = true;
    s.States = {{{slate, slate}, {tealLight, teal}}, {{shadow, shadow}, {Rgb{226, 232, 235}, grey}}};
  } else if (section == "PANEL") {
    s.States = {{{white, shadow}}};
  } else if (section == "PANEL_LOW") {
    s.States = {{{shadow, white}}};
  } else if (section == "BUTTON") {
    s.Radius = 3;
    s.States = {{{shadow, Rgb{120, 134, 144}}, {white, greyLight}},
                {{amber, amber}, {amberLight, amberLight}},
                {{teal, teal}, {Rgb{180, 200, 210}, Rgb{230, 236, 240}}}};
  } else if (section == "EDIT") {
    s.States = {{{grey, greyLight}}, {{teal, teal}}};
  } else if (section == "SCROLLBAR1H" || section == "SCROLLBAR1V") {
    s.States = {{{greyLight, white}}, {{grey, white}}};
  } else if (section == "SCROLLSLIDERH" || section == "SCROLLSLIDERV") {
    s.Radius = 3;
    s.States = {{{Rgb{110, 128, 140}, Rgb{96, 112, 124}}, {Rgb{206, 216, 222}, Rgb{150, 166, 176}}},
                {{amber, amber}, {amberLight, Rgb{226, 160, 70}}},
                {{teal, teal}, {Rgb{90, 140, 160}, Rgb{70, 120, 140}}}};
  } else if (section == "SCROLLBTNLEFT") {
    s.Radius = 2;
    s.States = {{{greyLight, greyLight}}, {{amber, amber}}, {{teal, teal}}};
  } else if (section == "MAINMENU") {
    s.States = {{{slateLight, slate}, {white, greyLight}}};
  } else if (section == "MENUITEM") {
    // Nothing in the normal state; a rounded outline around the selected item.
    s.Radius = 2;
    s.States = {{}, {{tealLight, tealLight}}};
  } else {
    s.States = {{{grey, grey}}};
  }
  return s;
}

// The menu separator: a grooved line across the middle row of cells.
void DrawDivider(const Frame& f) {
  f.ClearAll();
  for (int x = 0; x < f.W; ++x) {
    f.Pic(x, f.H / 2 - 1, Rgb{180, 190, 196});
    f.Pic(x, f.H / 2, Rgb{255, 255, 255});
  }
}

// ---- glyphs -------------------------------------------------------------------------------------

struct Pen {
  const Frame& F;
  Rgb C;
  void Dot(int x, int y) const { F.Pic(x, y, C); }
  // A line of square dots of size Thick (Bresenham).
  void Line(int x0, int y0, int x1, int y1, int thick = 1) const {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      for (int i = 0; i < thick; ++i)
        for (int j = 0; j < thick; ++j) Dot(x0 + i, y0 + j);
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  void Box(int l, int t, int r, int b) const {  // outline, corners inclusive
    Line(l, t, r, t);
    Line(l, b, r, b);
    Line(l, t, l, b);
    Line(r, t, r, b);
  }
  void Fill(int l, int t, int r, int b) const {
    for (int y = t; y <= b; ++y) Line(l, y, r, y);
  }
};

// Caption-button face: a rounded plate, lighter at the top, in the colours of its state (normal,
// hot, pressed); a one-pixel see-through margin keeps neighbouring buttons apart.
Rgb ButtonFace(const Frame& f, int state, bool danger) {
  const Rgb face[3] = {Rgb{66, 116, 138}, danger ? Rgb{204, 72, 58} : Rgb{226, 150, 48}, Rgb{34, 70, 88}};
  const Rgb edge[3] = {Rgb{36, 74, 92}, danger ? Rgb{150, 40, 30} : Rgb{170, 100, 20}, Rgb{20, 44, 56}};
  const Rgb top[3] = {Rgb{110, 156, 176}, danger ? Rgb{236, 128, 112} : Rgb{248, 196, 118}, Rgb{46, 86, 104}};
  const int w = f.W - 2, h = f.H - 2;
  for (int y = 0; y < f.H; ++y)
    for (int x = 0; x < f.W; ++x) {
      int d = Depth(x - 1, y - 1, w, h, 3);
      if (d < 0)
        f.Hole(x, y);
      else if (d == 0)
        f.Pic(x, y, edge[state]);
      else
        f.Pic(x, y, Mix(top[state], face[state], std::min(y - 1, h / 2), h / 2));
    }
  return face[state];
}

void DrawCaptionButton(const Frame& f, const std::string& key, int state) {
  const bool danger = key.find("CLOSE") != std::string::npos;
  const Rgb face = ButtonFace(f, state, danger);
  if (key == "TITLEBUTTON") return;
  const bool small = key[0] == 'S';
  Pen ink{f, state == 2 ? Rgb{214, 228, 236} : Rgb{255, 255, 255}};
  const int cx = f.W / 2, cy = f.H / 2, r = small ? 3 : 4, t = small ? 1 : 2;
  if (danger) {
    ink.Line(cx - r, cy - r, cx + r - t + 1, cy + r - t + 1, t);
    ink.Line(cx - r, cy + r - t + 1, cx + r - t + 1, cy - r, t);
  } else if (key.find("MAX") != std::string::npos) {
    ink.Box(cx - r, cy - r, cx + r, cy + r);
    ink.Line(cx - r, cy - r + 1, cx + r, cy - r + 1);
  } else if (key.find("MIN") != std::string::npos) {
    ink.Fill(cx - r, cy + r - t + 1, cx + r, cy + r);
  } else if (key.find("NORM") != std::string::npos) {
    ink.Box(cx - r + 2, cy - r, cx + r, cy + r - 2);
    Pen{f, face}.Fill(cx - r, cy - r + 2, cx + r - 2, cy + r);
    ink.Box(cx - r, cy - r + 2, cx + r - 2, cy + r);
  } else if (key.find("HELP") != std::string::npos) {
    ink.Line(cx - 2, cy - 4, cx + 1, cy - 4, t - 1 + small);
    ink.Line(cx + 2, cy - 3, cx + 2, cy - 2, t - 1 + small);
    ink.Line(cx + 1, cy - 1, cx, cy, t - 1 + small);
    ink.Line(cx, cy + 1, cx, cy + 1, t - 1 + small);
    ink.Fill(cx, cy + 3, cx + t - 1, cy + 3 + t - 1);
    ink.Dot(cx - 3, cy - 3);
  }
}

void DrawCheckMark(const Pen& p, int size) {
  if (size >= 13) {
    p.Line(3, 6, 5, 8, 2);
    p.Line(5, 8, 9, 3, 2);
  } else {
    p.Line(2, 4, 3, 5);
    p.Line(3, 5, 6, 2);
  }
}

// Check marks, check boxes and radio buttons; frame 0 normal, frame 1 hot.
void DrawCheckGlyph(const Frame& f, const std::string& key, int state) {
  f.ClearAll();
  const Rgb ink = state == 0 ? Rgb{30, 60, 76} : Rgb{20, 44, 56};
  const Rgb border = state == 0 ? Rgb{120, 140, 152} : Rgb{214, 132, 30};
  const Rgb fill = state == 0 ? Rgb{255, 255, 255} : Rgb{255, 248, 236};
  const bool checked = key.find("UNCHECKED") == std::string::npos && key.find("CHECKED") != std::string::npos;
  const bool grayed = key.find("GRAYED") != std::string::npos;
  if (key == "CHECK") {
    DrawCheckMark(Pen{f, ink}, f.W);
    return;
  }
  if (key.rfind("RADIO", 0) == 0) {
    const int c2 = f.W - 1;  // centre at (c2/2, c2/2), in half pixels
    for (int y = 0; y < f.H; ++y)
      for (int x = 0; x < f.W; ++x) {
        int dx = 2 * x - c2, dy = 2 * y - c2, q = dx * dx + dy * dy;
        if (q > f.W * f.W) continue;
        if (q > (f.W - 2) * (f.W - 2))
          f.Pic(x, y, border);
        else if (checked && q <= 25)
          f.Pic(x, y, ink);
        else if (grayed && q <= 25)
          f.Pic(x, y, Rgb{168, 180, 188});
        else
          f.Pic(x, y, fill);
      }
    return;
  }
  Pen{f, fill}.Fill(1, 1, f.W - 2, f.H - 2);
  Pen{f, border}.Box(0, 0, f.W - 1, f.H - 1);
  if (checked) DrawCheckMark(Pen{f, ink}, f.W);
  if (grayed)
    Pen{f, Rgb{168, 180, 188}}.Fill(f.W / 2 - f.W / 5, f.H / 2 - f.H / 5, f.W / 2 + f.W / 5, f.H / 2 + f.H / 5);
}

// The size grip: a triangle of embossed dots in the bottom-right corner.
void DrawGrip(const Frame& f) {
  f.ClearAll();
  for (int j = 2; j < f.H; j += 3)
    for (int i = 2; i < f.W; i += 3)
      if (i + j >= f.W - 1) {
        f.Pic(i - 1, j - 1, Rgb{255, 255, 255});
        f.Pic(i, j, Rgb{120, 136, 146});
      }
}

// Three grip lines on a scroll thumb: across the thumb's length.
void DrawThumbLines(const Frame& f, bool horizontalThumb, int state) {
  f.ClearAll();
  const Rgb dark = state == 0 ? Rgb{90, 108, 120} : Rgb{150, 86, 10};
  const Rgb light = state == 0 ? Rgb{222, 230, 234} : Rgb{255, 226, 170};
  for (int k = 0; k < 3; ++k) {
    int a = 1 + 2 * k;
    for (int b = 1; b < (horizontalThumb ? f.H : f.W) - 1; ++b) {
      if (horizontalThumb) {
        f.Pic(a, b, dark);
        f.Pic(a + 1, b, light);
      } else {
        f.Pic(b, a, dark);
        f.Pic(b, a + 1, light);
      }
    }
  }
}

// Scroll-button arrows: a filled triangle pointing left, right, up or down.
void DrawArrow(const Frame& f, char dir, int state) {
  f.ClearAll();
  const Rgb ink = state == 0 ? Rgb{70, 90, 104} : (state == 1 ? Rgb{150, 86, 10} : Rgb{255, 255, 255});
  const int n = std::min(f.W, f.H), mid = n / 2;
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) {
      // Along the arrow: a (tip at 2); across: b.
      int spread = std::abs(b - mid);
      if (a < 2 || a > mid + 2 || a - 2 < spread) continue;
      int x = a, y = b;
      if (dir == 'R') x = n - 1 - a;
      if (dir == 'T') x = b, y = a;
      if (dir == 'B') x = b, y = n - 1 - a;
      f.Pic(x, y, ink);
    }
}

// ---- the skin text ------------------------------------------------------------------------------

struct ImageSpec {
  std::string Section, Key;
  int L = 0, T = 0, R = 0, B = 0, Count = 1, Mask = 0;
};

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// "#(l,t,r,b)(count,mask,...)" -> numbers; false for anything else.
bool ParseImageValue(const std::string& v, ImageSpec& out) {
  if (v.rfind("#(", 0) != 0) return false;
  std::vector<int> n;
  std::string cur;
  for (char c : v.substr(1)) {
    if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      cur += c;
    } else {
      if (!cur.empty()) n.push_back(std::atoi(cur.c_str()));
      cur.clear();
    }
  }
  if (!cur.empty()) n.push_back(std::atoi(cur.c_str()));
  if (n.size() < 6) return false;
  out.L = n[0], out.T = n[1], out.R = n[2], out.B = n[3], out.Count = std::max(1, n[4]), out.Mask = std::max(0, n[5]);
  return out.R > out.L && out.B > out.T;
}

std::vector<ImageSpec> ReadImages(std::istream& in) {
  std::vector<ImageSpec> out;
  std::string line, section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = Upper(Trim(line.substr(1, line.size() - 2)));
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    ImageSpec s;
    s.Section = section;
    s.Key = Upper(Trim(line.substr(0, eq)));
    if (ParseImageValue(Trim(line.substr(eq + 1)), s)) out.push_back(s);
  }
  return out;
}

void DrawImage(Image& img, const ImageSpec& s) {
  const int fw = (s.R - s.L) / s.Count, fh = (s.B - s.T) / (s.Mask + 1);
  for (int state = 0; state < s.Count; ++state) {
    Frame f{img, s.L + state * fw, s.T, fw, fh, fh, s.Mask > 0};
    const std::string& k = s.Key;
    if (k == "BORDERSMASK") {
      if (s.Section == "DIVIDERV")
        DrawDivider(f);
      else
        DrawBorder(f, StyleFor(s.Section), state);
    } else if (k.rfind("BICON", 0) == 0 || k.rfind("SICON", 0) == 0 || k == "TITLEBUTTON") {
      f.ClearAll();
      DrawCaptionButton(f, k, std::min(state, 2));
    } else if (k == "GRIPIMAGE") {
      DrawGrip(f);
    } else if (k == "GLYPHMASK" && s.Section.rfind("SCROLLSLIDER", 0) == 0) {
      DrawThumbLines(f, s.Section.back() == 'H', state);
    } else if (k == "GLYPHMASK" && s.Section.rfind("SCROLLBTN", 0) == 0) {
      const std::string side = s.Section.substr(9);
      DrawArrow(f, side == "LEFT" ? 'L' : side == "RIGHT" ? 'R' : side == "TOP" ? 'T' : 'B', state);
    } else {
      DrawCheckGlyph(f, k, state);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: korv_skin_generator OPTIONS.DAT MASTER.BMP\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 1;
  }
  std::vector<ImageSpec> images = ReadImages(in);
  int w = 1, h = 1;
  for (const ImageSpec& s : images) w = std::max(w, s.R), h = std::max(h, s.B);
  Image img(w, h);
  for (const ImageSpec& s : images) DrawImage(img, s);
  if (!img.Save(argv[2])) {
    std::cerr << "cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
