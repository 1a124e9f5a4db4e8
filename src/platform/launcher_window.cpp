// The settings window built from FLTK widgets at fixed pixel positions. The
// controls use Tahoma where it is installed, else the nearest sans family,
// at the size whose line height is 15 pixels; the three painted labels use
// the bold face at 16 pixels in dark blue. The window is never resized.
#include "platform/launcher_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <memory>
#include <string>
#include <vector>

#include "platform/font_families.h"

namespace glorbe {

namespace {

constexpr int kWindowWidth = 210;
constexpr int kWindowHeight = 325;
constexpr int kControlLineHeight = 15;
constexpr int kLabelLineHeight = 16;
constexpr Fl_Font kControlFont = FL_FREE_FONT;
constexpr Fl_Font kLabelFont = FL_FREE_FONT + 1;
// FLTK insets a left-aligned label by 3 pixels; the labels start at x = 10.
constexpr int kLabelInset = 3;

struct Place {
  int x, y, w, h;
};
constexpr Place kFullscreenBox{20, 60, 175, 20};
constexpr Place kCompressionBox{20, 140, 175, 20};
constexpr Place kTrilinearBox{20, 160, 175, 20};
constexpr Place kModeList{20, 33, 135, 0};  // list heights follow the font
constexpr Place kTextureList{20, 113, 135, 0};
constexpr Place kSoundList{20, 213, 135, 0};
constexpr Place kConfirmButton{10, 270, 75, 22};
constexpr Place kQuitButton{120, 270, 75, 22};
constexpr int kModeLabelY = 10;
constexpr int kTextureLabelY = 90;
constexpr int kSoundLabelY = 190;

struct LauncherWindow {
  std::unique_ptr<Fl_Window> window;  // owns every widget below
  Fl_Check_Button* fullscreen = nullptr;
  Fl_Check_Button* compression = nullptr;
  Fl_Check_Button* trilinear = nullptr;
  Fl_Choice* modes = nullptr;
  Fl_Choice* textures = nullptr;
  Fl_Choice* sound = nullptr;
  Fl_Button* confirm = nullptr;
  std::vector<Fl_Menu_Item> modeItems, textureItems, soundItems;
  LauncherWindowContents* contents = nullptr;
  LauncherOutcome outcome = LauncherOutcome::Confirmed;
  bool finished = false;
};

// FLTK keeps the font names by pointer.
std::string controlFontName;
std::string labelFontName;

void chooseFonts() {
  std::string family = firstInstalledFontFamily({"Tahoma", "DejaVu Sans Condensed"});
  if (family.empty()) family = "sans";
  // The first character gives FLTK the style: ' ' regular, 'B' bold.
  controlFontName = " " + family;
  labelFontName = "B" + family;
  Fl::set_font(kControlFont, controlFontName.c_str());
  Fl::set_font(kLabelFont, labelFontName.c_str());
}

// The largest size whose line height stays within the given pixels.
int sizeForLineHeight(Fl_Font font, int lineHeight) {
  int best = 6;
  for (int size = 6; size <= 48; ++size) {
    fl_font(font, size);
    if (fl_height() > lineHeight) break;
    best = size;
  }
  return best;
}

// Items built by hand: FLTK's add() would read "/" as a submenu and merge
// entries with the same text, and the mode list keeps both.
std::vector<Fl_Menu_Item> menuItems(const std::vector<const char*>& texts, int size) {
  std::vector<Fl_Menu_Item> items(texts.size() + 1);
  for (size_t i = 0; i < texts.size(); ++i) {
    items[i] = Fl_Menu_Item{};
    items[i].text = texts[i];
    items[i].labelfont_ = kControlFont;
    items[i].labelsize_ = static_cast<Fl_Fontsize>(size);
  }
  items.back() = Fl_Menu_Item{};
  return items;
}

Fl_Check_Button* checkBox(const Place& p, const char* text, bool ticked, int size) {
  auto* box = new Fl_Check_Button(p.x, p.y, p.w, p.h, text);
  box->labelfont(kControlFont);
  box->labelsize(static_cast<Fl_Fontsize>(size));
  box->value(ticked ? 1 : 0);
  return box;
}

Fl_Choice* list(const Place& p, int height, std::vector<Fl_Menu_Item>& items, int selected, int size) {
  auto* choice = new Fl_Choice(p.x, p.y, p.w, height);
  choice->textfont(kControlFont);
  choice->textsize(static_cast<Fl_Fontsize>(size));
  choice->menu(items.data());
  const int count = static_cast<int>(items.size()) - 1;
  choice->value(selected >= 0 && selected < count ? selected : -1);
  return choice;
}

Fl_Button* button(const Place& p, const char* text, int size) {
  auto* b = new Fl_Button(p.x, p.y, p.w, p.h, text);
  b->labelfont(kControlFont);
  b->labelsize(static_cast<Fl_Fontsize>(size));
  return b;
}

void label(int y, const char* text, int size) {
  auto* box = new Fl_Box(10 - kLabelInset, y, kWindowWidth - 10 + kLabelInset, kLabelLineHeight + 4, text);
  box->box(FL_NO_BOX);
  box->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  box->labelfont(kLabelFont);
  box->labelsize(static_cast<Fl_Fontsize>(size));
  box->labelcolor(fl_rgb_color(0, 0, 128));
}

void finish(LauncherWindow& w, LauncherOutcome outcome) {
  w.outcome = outcome;
  w.finished = true;
  w.window->hide();
}

void confirm(LauncherWindow& w) {
  LauncherWindowContents& contents = *w.contents;
  contents.fullscreen = w.fullscreen->value() == 1;
  contents.compression = w.compression->value() == 1;
  contents.trilinear = w.trilinear->value() == 1;
  contents.modeIndex = w.modes->value();
  contents.textureIndex = w.textures->value();
  contents.soundIndex = w.sound->value();
  finish(w, LauncherOutcome::Confirmed);
}

void onConfirm(Fl_Widget*, void* data) { confirm(*static_cast<LauncherWindow*>(data)); }

void onQuit(Fl_Widget*, void* data) { finish(*static_cast<LauncherWindow*>(data), LauncherOutcome::Quit); }

// Closing the window confirms it. FLTK also calls this for Escape, which
// the window ignores.
void onClose(Fl_Widget*, void* data) {
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  confirm(*static_cast<LauncherWindow*>(data));
}

void build(LauncherWindow& w, LauncherWindowContents& contents) {
  chooseFonts();
  const int controlSize = sizeForLineHeight(kControlFont, kControlLineHeight);
  const int labelSize = sizeForLineHeight(kLabelFont, kLabelLineHeight);
  fl_font(kControlFont, static_cast<Fl_Fontsize>(controlSize));
  const int listHeight = fl_height() + 6;

  int screenX = 0, screenY = 0, screenW = 0, screenH = 0;
  Fl::screen_xywh(screenX, screenY, screenW, screenH, 0);
  w.contents = &contents;
  w.window = std::make_unique<Fl_Window>(screenX + (screenW - kWindowWidth) / 2,
                                         screenY + (screenH - kWindowHeight) / 2, kWindowWidth, kWindowHeight,
                                         kLauncherTitle);
  w.window->xclass("glORBE_Launcher");
  w.window->callback(onClose, &w);

  std::vector<const char*> modeTexts;
  for (const std::string& entry : contents.modeEntries) modeTexts.push_back(entry.c_str());
  w.modeItems = menuItems(modeTexts, controlSize);
  std::vector<const char*> textureTexts, soundTexts;
  for (const std::string& entry : contents.textureEntries) textureTexts.push_back(entry.c_str());
  for (const std::string& entry : contents.soundEntries) soundTexts.push_back(entry.c_str());
  w.textureItems = menuItems(textureTexts, controlSize);
  w.soundItems = menuItems(soundTexts, controlSize);

  label(kModeLabelY, "Resolution / Bits", labelSize);
  label(kTextureLabelY, "Textures", labelSize);
  label(kSoundLabelY, "Sound Driver", labelSize);
  w.fullscreen = checkBox(kFullscreenBox, "Fullscreen", contents.fullscreen, controlSize);
  w.compression = checkBox(kCompressionBox, "Compression (Ugly+Fast)", contents.compression, controlSize);
  w.trilinear = checkBox(kTrilinearBox, "TriLinear Filter (Pretty+Slow)", contents.trilinear, controlSize);
  w.modes = list(kModeList, listHeight, w.modeItems, contents.modeIndex, controlSize);
  w.textures = list(kTextureList, listHeight, w.textureItems, contents.textureIndex, controlSize);
  w.sound = list(kSoundList, listHeight, w.soundItems, contents.soundIndex, controlSize);
  w.confirm = button(kConfirmButton, "Let's trip!", controlSize);
  w.confirm->shortcut(FL_Enter);  // the default button
  w.confirm->callback(onConfirm, &w);
  Fl_Button* quit = button(kQuitButton, "Outta here!", controlSize);
  quit->callback(onQuit, &w);

  w.window->end();
  w.window->resizable(nullptr);
  w.window->size_range(kWindowWidth, kWindowHeight, kWindowWidth, kWindowHeight);
}

}  // namespace

// One connection serves the mode query, the window and the message boxes
// after it: an X server resets when its last client leaves, and a
// connection made during a reset fails.
bool openLauncherDisplay(ScreenModes& screen) {
  if (fl_display == nullptr) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    fl_open_display(display);
  }
  readScreenModes(fl_display, screen);
  return true;
}

LauncherOutcome runLauncherWindow(LauncherWindowContents& contents) {
  fl_open_display();
  LauncherWindow w;
  build(w, contents);
  w.window->show();
  w.confirm->take_focus();
  while (!w.finished && w.window->shown()) Fl::wait();
  const LauncherOutcome outcome = w.finished ? w.outcome : LauncherOutcome::Confirmed;
  w.window.reset();
  Fl::flush();
  return outcome;
}

}  // namespace glorbe
