#include "rack_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "progress_line.h"

namespace {

// The block is redrawn at most this often: a person reads no faster, and a
// slow terminal (a serial console, ssh) keeps up.
constexpr std::chrono::milliseconds kRedrawInterval{200};

// What fits: a line wider than the terminal would wrap and the cursor's
// count of lines go wrong; a block taller would scroll away.
struct Size {
  std::size_t columns = 80;
  std::size_t rows = 24;
};

Size SizeOf(FILE* terminal) {
  winsize size{};
  if (ioctl(fileno(terminal), TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return {};
  return {size.ws_col, size.ws_row};
}

// Cut to columns - 1 characters, never inside a UTF-8 sequence.
std::string Fitted(std::string text, std::size_t columns) {
  const std::size_t most = columns > 1 ? columns - 1 : 1;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (++characters > most) return text.substr(0, i);
  }
  return text;
}

}  // namespace

RackProgress::RackProgress(FILE* terminal, std::vector<std::string> ports) : terminal_(terminal) {
  for (std::string& port : ports) lines_.push_back({std::move(port), {}, {}});
}

RackProgress::~RackProgress() { clear(); }

void RackProgress::variant(std::size_t controller, const std::string& name) {
  if (controller >= lines_.size()) return;
  lines_[controller].variant = name;
  changed_ = true;
}

void RackProgress::progress(std::size_t controller, const QJsonObject& counts) {
  if (controller >= lines_.size()) return;
  const std::string unit = counts["unit"].toString().toStdString();
  Progress p;
  p.done = counts["done"].toInteger();
  p.planned = counts["planned"].toInteger();
  p.failures = counts["failures"].toInteger();
  p.unit = unit.c_str();
  p.secondsLeft = counts["left_s"].isDouble() ? counts["left_s"].toDouble() : -1;
  lines_[controller].counts = ProgressText(p);
  changed_ = true;
}

void RackProgress::ended(std::size_t controller) {
  if (controller >= lines_.size()) return;
  lines_[controller].ended = true;
  changed_ = true;
}

void RackProgress::above(const std::string& lines) {
  if (terminal_ == nullptr) {
    std::fputs(lines.c_str(), stderr);
    return;
  }
  clear();
  std::fputs(lines.c_str(), terminal_);
  draw();
}

void RackProgress::redraw() {
  if (terminal_ == nullptr || !changed_) return;
  if (std::chrono::steady_clock::now() - drawnAt_ < kRedrawInterval) return;
  if (drawn_ > 0) std::fprintf(terminal_, "\033[%dA", drawn_);
  draw();
}

void RackProgress::clear() {
  if (terminal_ == nullptr || drawn_ == 0) return;
  std::fprintf(terminal_, "\033[%dA\r\033[J", drawn_);
  std::fflush(terminal_);
  drawn_ = 0;
  changed_ = true;
}

std::string RackProgress::text(const Line& line) const {
  const std::string counts = line.counts.empty() ? (line.ended ? "" : "starting") : line.counts;
  return line.port + "  " + (line.variant.empty() ? "-" : line.variant) + "  " + counts +
         (line.ended ? (counts.empty() ? "ended" : "  ended") : "");
}

// From the block's first line, which the cursor is at.
void RackProgress::draw() {
  const Size size = SizeOf(terminal_);
  const std::size_t room = size.rows > 2 ? size.rows - 2 : 1;
  const std::size_t shown = lines_.size() <= room ? lines_.size() : room - 1;
  std::string block;
  for (std::size_t i = 0; i < shown; ++i) block += "\r\033[K" + Fitted(text(lines_[i]), size.columns) + "\n";
  if (shown < lines_.size()) {
    block += "\r\033[K" + Fitted("… and " + std::to_string(lines_.size() - shown) + " more", size.columns) + "\n";
  }
  std::fputs((block + "\033[J").c_str(), terminal_);
  std::fflush(terminal_);
  drawn_ = static_cast<int>(shown < lines_.size() ? shown + 1 : shown);
  changed_ = false;
  drawnAt_ = std::chrono::steady_clock::now();
}
