/* The display timer's tick. It asks the engine about the current stream in a fixed
 * order (activity, level only while active, position, length), keeps what it read in
 * PlayerState, and repaints the five canvases. A failed position or length query
 * counts as -1 seconds, which the LCD shows as 0:00 and the bar as empty. */
#include "display/displays.h"

#include "app/player_state.h"
#include "audio_engine.h"
#include "platform/toolkit.h"

namespace {

constexpr QWORD failedByteCount = ~QWORD{0};
constexpr int32_t failedSeconds = -1;

int32_t secondsOfBytes(StreamHandle stream, QWORD bytes) {
  if (bytes == failedByteCount) return failedSeconds;
  return wholeSeconds(BASS_ChannelBytes2Seconds(stream, bytes));
}

void moveNeedles(StreamHandle stream) {
  const MeterNeedles needles = needlesForLevelWord(BASS_ChannelGetLevel(stream));
  player.leftNeedleX = needles.left.x;
  player.leftNeedleLift = needles.left.lift;
  player.rightNeedleX = needles.right.x;
  player.rightNeedleLift = needles.right.lift;
}

}  // namespace

void displayTick() {
  const StreamHandle stream = player.stream;
  if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED) moveNeedles(stream);

  paintMeter(Canvas::LeftMeterCanvas, Control::LeftMeterView, {player.leftNeedleX, player.leftNeedleLift},
             player.darkFaceOffset);
  paintMeter(Canvas::RightMeterCanvas, Control::RightMeterView, {player.rightNeedleX, player.rightNeedleLift},
             player.darkFaceOffset);

  player.elapsedSeconds = secondsOfBytes(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
  // All 64 bits: a stream of more than 2 GiB keeps its true length.
  const QWORD lengthBytes = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
  player.lengthBytes = lengthBytes == failedByteCount ? -1 : static_cast<int64_t>(lengthBytes);
  const int32_t lengthSeconds = secondsOfBytes(stream, lengthBytes);

  paintLcdStrip(player.elapsedSeconds, lengthSeconds, playlistBoxSelectedRow(), playlistBoxRowCount());
  paintTicker();
  paintProgressBar(player.elapsedSeconds, lengthSeconds);
}
