#include "Cells/MusicCellView.h"

#include "Cells/CellViewKit.h"
#include "Ui/CellFrame.h"
#include "Ui/Icons.h"
#include "Ui/Widgets.h"

namespace kivari {

namespace {

Gtk::Widget* makeArtwork() {
  auto* art = Gtk::make_managed<Gtk::Box>();
  art->add_css_class("music-artwork");
  art->set_size_request(160, 160);
  art->set_halign(Gtk::Align::CENTER);
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(".music-artwork { background-image: linear-gradient(to bottom right, " +
                           fromHSB(0.75, 0.5, 0.3).css() + ", " + fromHSB(0.6, 0.4, 0.2).css() + "); }");
  art->get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  auto* note = makeSymbol("music.note");
  note->set_pixel_size(48);
  note->set_hexpand(true);
  note->set_valign(Gtk::Align::CENTER);
  art->append(*note);
  cellkit::hideFromAssistiveTech(*art);
  return art;
}

void makeSymbolButton(Gtk::Button& button, std::string_view symbol, const char* name,
                      const char* cssClass) {
  button.set_child(*makeSymbol(symbol));
  button.add_css_class("music-button");
  button.add_css_class(cssClass);
  button.set_valign(Gtk::Align::CENTER);
  setAccessibleLabel(button, name);
}

}  // namespace

MusicCellView::MusicCellView(const std::string& query, std::function<void()> onDismiss,
                             Scheduler& scheduler, RandomSource& random)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0), player_(query, scheduler, random) {
  add_css_class("music-cell");
  append(*Gtk::make_managed<CellHeader>("waveform", palette::pink, "Music", "HTTP Streaming DNA",
                                        std::move(onDismiss)));
  append(*Gtk::make_managed<Gtk::Separator>());

  auto* body = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 20);
  body->set_vexpand(true);
  body->set_margin(16);
  body->append(*cellkit::flexibleSpace());
  body->append(*makeArtwork());

  auto* names = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
  title_.add_css_class("music-title");
  artist_.add_css_class("music-artist");
  names->append(title_);
  names->append(artist_);
  body->append(*names);

  auto* progress = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
  progress->set_margin_start(16);
  progress->set_margin_end(16);
  position_.add_css_class("music-position");
  setAccessibleLabel(position_, "Position in track");
  progress->append(position_);
  auto* times = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  elapsed_.add_css_class("music-time");
  times->append(elapsed_);
  times->append(*cellkit::flexibleSpace(Gtk::Orientation::HORIZONTAL));
  times->append(*cellkit::label(MusicPlayer::lengthText(), "music-time"));
  progress->append(*times);
  body->append(*progress);

  auto* controls = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 32);
  controls->set_halign(Gtk::Align::CENTER);
  makeSymbolButton(back_, "backward.fill", "Previous Track", "music-skip");
  makeSymbolButton(forward_, "forward.fill", "Next Track", "music-skip");
  play_.add_css_class("music-button");
  play_.add_css_class("music-play");
  play_.set_valign(Gtk::Align::CENTER);
  playSymbol_.set_pixel_size(48);
  play_.set_child(playSymbol_);
  back_.signal_clicked().connect([this] { player_.skip(); });
  play_.signal_clicked().connect([this] { player_.togglePlaying(); });
  forward_.signal_clicked().connect([this] { player_.skip(); });
  controls->append(back_);
  controls->append(play_);
  controls->append(forward_);
  body->append(*controls);

  body->append(*cellkit::flexibleSpace());
  body->append(*cellkit::footer("Streaming cell \u00B7 No library access \u00B7 Dissolves cleanly"));
  append(*body);

  showsPause_ = !player_.isPlaying();  // forces the first refresh to set the symbol
  player_.signalChanged().connect([this] { refresh(); });
  refresh();
  signal_map().connect([this] { player_.start(); });
}

void MusicCellView::refresh() {
  const std::string title(player_.track().title);
  if (title_.get_text().raw() != title) title_.set_text(title);
  const std::string artist(player_.track().artist);
  if (artist_.get_text().raw() != artist) artist_.set_text(artist);
  position_.set_fraction(std::min(player_.progress(), 1.0));
  const std::string elapsed = player_.elapsedText();
  if (elapsed_.get_text().raw() != elapsed) elapsed_.set_text(elapsed);
  if (showsPause_ != player_.isPlaying()) {
    showsPause_ = player_.isPlaying();
    playSymbol_.set_from_icon_name(iconNameForSymbol(showsPause_ ? "pause.circle.fill" : "play.circle.fill"));
    setAccessibleLabel(play_, showsPause_ ? "Pause" : "Play");
  }
}

}  // namespace kivari
