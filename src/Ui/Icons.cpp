#include "Ui/Icons.h"

#include <utility>

namespace kivari {

namespace {

constexpr std::pair<std::string_view, std::string_view> kIcons[] = {
    {"sparkle", "kivari-sparkle-symbolic"},
    {"dna", "kivari-dna-symbolic"},
    {"xmark", "window-close-symbolic"},
    {"xmark.circle.fill", "kivari-xmark-circle-fill-symbolic"},
    {"tablecells", "x-office-spreadsheet-symbolic"},
    {"rectangle.on.rectangle.angled", "x-office-presentation-symbolic"},
    {"doc.text", "x-office-document-symbolic"},
    {"video", "camera-video-symbolic"},
    {"calendar.badge.plus", "x-office-calendar-symbolic"},
    {"calendar", "x-office-calendar-symbolic"},
    {"globe", "web-browser-symbolic"},
    {"shield.checkered", "security-high-symbolic"},
    {"checkmark.shield.fill", "security-high-symbolic"},
    {"exclamationmark.triangle.fill", "dialog-warning-symbolic"},
    {"chevron.left", "go-previous-symbolic"},
    {"chevron.right", "go-next-symbolic"},
    {"arrow.clockwise", "view-refresh-symbolic"},
    {"message.fill", "chat-message-new-symbolic"},
    {"envelope.fill", "mail-unread-symbolic"},
    {"paperplane.fill", "mail-send-symbolic"},
    {"note.text", "document-edit-symbolic"},
    {"bell.fill", "preferences-system-notifications-symbolic"},
    {"timer", "alarm-symbolic"},
    {"cloud.sun.fill", "weather-few-clouds-symbolic"},
    {"gamecontroller.fill", "input-gaming-symbolic"},
    {"music.note", "emblem-music-symbolic"},
    {"play.fill", "media-playback-start-symbolic"},
    {"waveform", "kivari-waveform-symbolic"},
    {"backward.fill", "media-seek-backward-symbolic"},
    {"forward.fill", "media-seek-forward-symbolic"},
    {"play.circle.fill", "kivari-play-circle-symbolic"},
    {"pause.circle.fill", "kivari-pause-circle-symbolic"},
    {"pause.fill", "media-playback-pause-symbolic"},
    {"questionmark.circle.fill", "help-about-symbolic"},
    {"cube.transparent", "emblem-system-symbolic"},
    {"shield.slash", "security-low-symbolic"},
    {"gearshape.fill", "emblem-system-symbolic"},
    {"checkmark.seal.fill", "emblem-ok-symbolic"},
    {"questionmark.diamond", "dialog-question-symbolic"},
    {"exclamationmark.triangle", "dialog-warning-symbolic"},
    {"lock.shield", "channel-secure-symbolic"},
    {"tablecells.badge.ellipsis", "x-office-spreadsheet-symbolic"},
    {"rectangle.on.rectangle", "x-office-presentation-symbolic"},
    {"doc.richtext", "x-office-document-symbolic"},
    {"video.badge.waveform", "camera-video-symbolic"},
    {"sparkles", "kivari-sparkle-symbolic"},
    {"questionmark.bubble.fill", "help-faq-symbolic"},
    {"speaker.wave.3.fill", "audio-volume-high-symbolic"},
    {"doc.text.fill", "x-office-document-symbolic"},
    {"video.fill", "camera-web-symbolic"},
    {"bell.badge.fill", "preferences-system-notifications-symbolic"},
    {"lock.shield.fill", "channel-secure-symbolic"},
    {"heart.fill", "emblem-favorite-symbolic"},
    {"checkmark.circle.fill", "kivari-checkmark-circle-fill-symbolic"},
    {"circle", "kivari-circle-symbolic"},
    {"checklist", "view-list-bullet-symbolic"},
    {"bell.badge", "preferences-system-notifications-symbolic"},
    {"lightbulb.fill", "dialog-information-symbolic"},
    {"bubble.left.and.bubble.right.fill", "chat-message-new-symbolic"},
    {"briefcase.fill", "folder-documents-symbolic"},
    {"wrench.and.screwdriver.fill", "applications-engineering-symbolic"},
    {"gearshape.2.fill", "preferences-system-symbolic"},
    {"exclamationmark.shield.fill", "kivari-shield-exclamation-symbolic"},
};

}  // namespace

std::string iconNameForSymbol(std::string_view symbol) {
  for (const auto& [name, icon] : kIcons) {
    if (name == symbol) return std::string(icon);
  }
  return "image-missing-symbolic";
}

}  // namespace kivari
