#include "Shell/CellLayer.h"

#include "Cells/CalendarCellView.h"
#include "Cells/CellViewKit.h"
#include "Cells/ComposeExpressionView.h"
#include "Cells/EventSound.h"
#include "Cells/MusicCellView.h"
#include "Cells/NotesExpressionView.h"
#include "Cells/ReminderCellView.h"
#include "Cells/TimerCellView.h"
#include "Cells/WeatherCellView.h"
#include "Cells/WebSandbox.h"
#include "Help/HelpCellView.h"
#include "Shell/WebCellModule.h"

#include <gdk/x11/gdkx.h>

namespace kivari {

FramedCell::FramedCell(Scheduler& scheduler, int margin, const Builder& build)
    : steps_(scheduler), cell_(build(steps_)) {
  cell_->set_hexpand(true);
  cell_->set_vexpand(true);
  membrane_ = std::make_unique<CellMembrane>(*cell_, steps_);
  set_hexpand(true);
  set_vexpand(true);
  membrane_->set_hexpand(true);
  membrane_->set_vexpand(true);
  membrane_->set_margin(margin);
  append(*membrane_);
}

FramedCell::~FramedCell() {
  steps_.cancelAll();
  remove(*membrane_);
}

void FramedCell::dissolving() {
  steps_.cancelAll();
  if (auto* holder = dynamic_cast<DissolvingCell*>(cell_.get())) holder->cellDissolving();
}

namespace {

// A cell whose own view is not part of this build yet: its header alone.
std::unique_ptr<Gtk::Widget> headerOnlyCell(const Expression& expression,
                                            std::function<void()> dismiss) {
  auto box = std::make_unique<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  box->append(*Gtk::make_managed<CellHeader>("cube.transparent", palette::cyan, expression.name(),
                                              expression.dnaSource(), std::move(dismiss)));
  box->append(*Gtk::make_managed<Gtk::Separator>());
  return box;
}

// A web cell that cannot open: it says why, and goes like any other cell.
// The manifest host has no close of its own, so none is offered here either.
std::unique_ptr<Gtk::Widget> webCellCannotOpen(const Expression& expression, const std::string& title,
                                               const std::string& why, std::function<void()> dismiss) {
  auto box = std::make_unique<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  if (dismiss) {
    box->append(*Gtk::make_managed<CellHeader>("cube.transparent", palette::cyan, expression.name(),
                                                expression.dnaSource(), std::move(dismiss)));
    box->append(*Gtk::make_managed<Gtk::Separator>());
  }
  auto* message = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
  message->set_valign(Gtk::Align::CENTER);
  message->set_vexpand(true);
  message->set_margin(24);
  auto* line = cellkit::label(title, "cell-title");
  auto* detail = cellkit::label(why, "cell-secondary");
  for (auto* label : {line, detail}) {
    label->set_wrap(true);
    label->set_wrap_mode(Pango::WrapMode::WORD_CHAR);
    label->set_justify(Gtk::Justification::CENTER);
    message->append(*label);
  }
  box->append(*message);
  return box;
}

// The help answer for the question, or the general one. A picked example
// dissolves the cell at once and goes down the road a moment later, on the
// main scheduler: that step outlives the cell.
std::unique_ptr<Gtk::Widget> helpCell(const std::string& question, Scheduler& cellScheduler, AppState& state,
                                      Scheduler& scheduler, const std::function<void()>& dismiss) {
  auto tryExample = [&state, &scheduler, dismiss](const std::string& example) {
    dismiss();
    scheduler.schedule(kHelpExampleSubmitDelay, [&state, example] {
      state.setIntentText(example);
      state.submit();
    });
  };
  return std::make_unique<HelpCellView>(helpResponseFor(question), cellScheduler, dismiss, tryExample);
}

}  // namespace

void prepareCellLayer(const Expression& expression) {
  switch (expression.kind()) {
    case Expression::Kind::bundled:
    case Expression::Kind::browser:
    case Expression::Kind::game:
      prepareWebCells();
      break;
    default:
      break;
  }
}

int cellMargin(const Expression& expression) {
  switch (expression.kind()) {
    case Expression::Kind::bundled:
    case Expression::Kind::browser:
    case Expression::Kind::game:
      return 16;
    default:
      return 24;
  }
}

std::unique_ptr<FramedCell> buildCellLayer(const Expression& expression, AppState& state,
                                           Scheduler& scheduler, std::function<void()> dismiss) {
  auto build = [&](Scheduler& cellScheduler) -> std::unique_ptr<Gtk::Widget> {
    const auto* bundled = expression.as<Expression::Bundled>();
    const auto* browser = expression.as<Expression::Browser>();
    const auto* game = expression.as<Expression::Game>();
    if (bundled != nullptr || browser != nullptr || game != nullptr) {
      const WebCells& web = webCells();
      if (web.factory == nullptr) {
        return webCellCannotOpen(expression, "This cell cannot open: Kivari's web engine could not be loaded.",
                                 web.error, bundled ? nullptr : std::move(dismiss));
      }
      // The engine would end the whole program on a sandbox it cannot start:
      // the cell says why instead, and loads nothing. The ribbon says so on
      // the next turn, after the cell's own line.
      if (const auto obstacle = webSandboxObstacle(GDK_IS_X11_DISPLAY(gdk_display_get_default()))) {
        const auto text = describeObstacle(*obstacle, expression.name());
        cellScheduler.schedule(Scheduler::Duration(0), [&state, line = text.ribbon] { state.cellFailed(line); });
        return webCellCannotOpen(expression, text.title, text.detail, bundled ? nullptr : std::move(dismiss));
      }
      // Left only through Esc or the compact bar: no close of its own.
      if (bundled) {
        // A cell that could not be walled off stays empty, and says why. On
        // the next turn of the loop: it may know at once, while it is built,
        // before its "active" line is posted.
        auto unsafe = [&state, &cellScheduler, name = expression.name()] {
          cellScheduler.schedule(Scheduler::Duration(0), [&state, name] {
            state.cellFailed(name + " could not be opened safely \u00b7 its network wall could not be set up");
          });
        };
        return web.factory->makeManifestHost(bundled->manifest, state.registry(), unsafe);
      }
      if (browser) return web.factory->makeBrowser(browser->url, std::move(dismiss));
      return web.factory->makeGame(game->name, std::move(dismiss), cellScheduler);
    }
    if (const auto* help = expression.as<Expression::Help>()) {
      return helpCell(help->question, cellScheduler, state, scheduler, dismiss);
    }
    if (const auto* message = expression.as<Expression::Message>()) {
      return std::make_unique<ComposeExpressionView>(ComposeType::message, message->recipient, "",
                                                     message->prefill, std::move(dismiss),
                                                     cellScheduler);
    }
    if (const auto* email = expression.as<Expression::Email>()) {
      return std::make_unique<ComposeExpressionView>(ComposeType::email, email->to, email->subject,
                                                     email->body, std::move(dismiss), cellScheduler);
    }
    if (const auto* reminder = expression.as<Expression::Reminder>()) {
      return std::make_unique<ReminderCellView>(reminder->text, std::move(dismiss), cellScheduler);
    }
    if (expression.as<Expression::Calendar>() != nullptr) {
      return std::make_unique<CalendarCellView>(std::move(dismiss));
    }
    if (expression.as<Expression::Notes>() != nullptr) {
      return std::make_unique<NotesExpressionView>(std::move(dismiss));
    }
    if (const auto* timer = expression.as<Expression::Timer>()) {
      return std::make_unique<TimerCellView>(timer->seconds, timer->label, std::move(dismiss), cellScheduler,
                                             std::make_unique<EventSound>("complete"));
    }
    if (const auto* weather = expression.as<Expression::Weather>()) {
      return std::make_unique<WeatherCellView>(weather->location, std::move(dismiss), cellScheduler,
                                               systemRandomSource());
    }
    if (const auto* music = expression.as<Expression::Music>()) {
      return std::make_unique<MusicCellView>(music->query, std::move(dismiss), cellScheduler,
                                             systemRandomSource());
    }
    return headerOnlyCell(expression, std::move(dismiss));
  };
  return std::make_unique<FramedCell>(scheduler, cellMargin(expression), build);
}

}  // namespace kivari
