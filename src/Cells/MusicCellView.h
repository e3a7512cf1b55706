#pragma once

#include "Cells/MusicPlayer.h"
#include "Cells/RandomSource.h"
#include "Core/Scheduler.h"

#include <gtkmm.h>

#include <functional>
#include <string>

namespace kivari {

// The simulated music player: artwork, the track and its artist, a position
// bar with the elapsed time and the length, and back, play/pause and forward.
class MusicCellView : public Gtk::Box {
 public:
  MusicCellView(const std::string& query, std::function<void()> onDismiss, Scheduler& scheduler,
                RandomSource& random);

  MusicPlayer& player() { return player_; }
  Gtk::Label& titleLabel() { return title_; }
  Gtk::Label& artistLabel() { return artist_; }
  Gtk::Label& elapsedLabel() { return elapsed_; }
  Gtk::ProgressBar& positionBar() { return position_; }
  Gtk::Button& backButton() { return back_; }
  Gtk::Button& playButton() { return play_; }
  Gtk::Button& forwardButton() { return forward_; }

 private:
  void refresh();

  MusicPlayer player_;
  Gtk::Label title_;
  Gtk::Label artist_;
  Gtk::ProgressBar position_;
  Gtk::Label elapsed_;
  Gtk::Button back_;
  Gtk::Button play_;
  Gtk::Button forward_;
  Gtk::Image playSymbol_;
  bool showsPause_ = false;
};

}  // namespace kivari
