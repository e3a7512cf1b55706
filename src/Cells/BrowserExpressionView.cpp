#include "Cells/BrowserExpressionView.h"

#include "Cells/RunStart.h"
#include "Ui/Icons.h"

#include <filesystem>
#include <utility>

namespace kivari {

namespace {

Gtk::Image* symbol(std::string_view name) {
  auto* image = Gtk::make_managed<Gtk::Image>();
  image->set_from_icon_name(iconNameForSymbol(name));
  // The buttons carry the names; their pictures are decoration.
  gtk_accessible_update_state(GTK_ACCESSIBLE(image->gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
  return image;
}

// The file chooser notes each chosen file in the data home's list of recent
// files. The run's own data home holds it; emptied as the cell goes, it
// shows the next cell nothing of what this one sent. The user's own list is
// never touched: without a run folder nothing is emptied.
void forgetChosenFiles() {
  const std::filesystem::path own = runDataHome();
  if (own.empty() || std::filesystem::path(g_get_user_data_dir()) != own) return;
  gtk_recent_manager_purge_items(gtk_recent_manager_get_default(), nullptr);
}

void label(Gtk::Widget& widget, const char* text) {
  gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, text, -1);
}

}  // namespace

// The model's view of the web view; it lives exactly as long as the web view
// is in use, so the model's weak hold lapses when the cell goes.
class BrowserExpressionView::Port : public BrowserWebViewPort {
 public:
  explicit Port(WebKitWebView* view) : view_(view) {}
  void load(const Url& url) override { webkit_web_view_load_uri(view_, url.absoluteString().c_str()); }
  void goBack() override { webkit_web_view_go_back(view_); }
  void goForward() override { webkit_web_view_go_forward(view_); }
  std::optional<std::string> currentAddress() const override {
    const char* uri = webkit_web_view_get_uri(view_);
    if (uri == nullptr) return std::nullopt;
    return std::string(uri);
  }
  bool canGoBack() const override { return webkit_web_view_can_go_back(view_); }
  bool canGoForward() const override { return webkit_web_view_can_go_forward(view_); }

 private:
  WebKitWebView* view_;
};

BrowserExpressionView::BrowserExpressionView(const Url& initialURL, std::function<void()> onDismiss)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0), onDismiss_(std::move(onDismiss)) {
  buildToolbar();
  bindState();
  append(toolbar_);
  append(divider_);

  web_ = std::make_unique<CellWebView>();
  g_signal_connect(web_->view(), "load-changed", G_CALLBACK(onLoadChanged), this);
  g_signal_connect(web_->view(), "load-failed", G_CALLBACK(onLoadFailed), this);
  gtk_box_append(gobj(), web_->widget());
  port_ = std::make_shared<Port>(web_->view());
  state_.setWebView(port_);
  state_.setUrlText(initialURL.absoluteString());
  port_->load(initialURL);
}

BrowserExpressionView::~BrowserExpressionView() {
  g_signal_handlers_disconnect_by_data(web_->view(), this);
  port_.reset();
  web_.reset();  // stopped, blanked and released with its context
}

void BrowserExpressionView::cellDissolving() {
  port_.reset();
  web_->end();
  forgetChosenFiles();
}

void BrowserExpressionView::buildToolbar() {
  toolbar_.add_css_class("browser-toolbar");

  back_.set_child(*symbol("chevron.left"));
  back_.add_css_class("flat");
  back_.set_valign(Gtk::Align::CENTER);
  back_.set_sensitive(false);
  label(back_, "Back");
  back_.signal_clicked().connect([this] { state_.goBack(); });

  forward_.set_child(*symbol("chevron.right"));
  forward_.add_css_class("flat");
  forward_.set_valign(Gtk::Align::CENTER);
  forward_.set_sensitive(false);
  label(forward_, "Forward");
  forward_.signal_clicked().connect([this] { state_.goForward(); });

  address_.set_placeholder_text("URL");
  label(address_, "Address");
  address_.add_css_class("browser-address");
  address_.set_hexpand(true);
  address_.set_valign(Gtk::Align::CENTER);
  address_.signal_activate().connect([this] { state_.navigate(address_.get_text().raw()); });

  close_.set_child(*symbol("xmark.circle.fill"));
  close_.add_css_class("flat");
  close_.add_css_class("browser-close");
  close_.set_valign(Gtk::Align::CENTER);
  close_.set_tooltip_text("Dissolve (Esc)");
  label(close_, "Dissolve");
  // The call may remove this cell; nothing of it is touched afterwards.
  close_.signal_clicked().connect([this] {
    if (onDismiss_) onDismiss_();
  });

  toolbar_.append(back_);
  toolbar_.append(forward_);
  toolbar_.append(address_);
  toolbar_.append(close_);
}

void BrowserExpressionView::bindState() {
  state_.signalUrlTextChanged().connect([this] {
    if (address_.get_text().raw() != state_.urlText()) address_.set_text(state_.urlText());
  });
  address_.signal_changed().connect([this] { state_.setUrlText(address_.get_text().raw()); });
  state_.signalCanGoBackChanged().connect([this] { back_.set_sensitive(state_.canGoBack()); });
  state_.signalCanGoForwardChanged().connect([this] { forward_.set_sensitive(state_.canGoForward()); });
}

void BrowserExpressionView::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<BrowserExpressionView*>(data);
  if (event != WEBKIT_LOAD_FINISHED) return;
  // WebKit follows every failure at once with "finished"; only a real finish counts.
  if (std::exchange(self->loadFailed_, false)) return;
  if (self->port_) self->state_.didFinishNavigation(*self->port_);
}

gboolean BrowserExpressionView::onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*,
                                             gpointer data) {
  static_cast<BrowserExpressionView*>(data)->loadFailed_ = true;
  // No error page of our own or WebKit's: its load would finish under the
  // failed address and move the field and the arrows, which a failure never does.
  return TRUE;
}

}  // namespace kivari
