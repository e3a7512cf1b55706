#include "Ui/OverlayStyle.h"

#include <string>

namespace kivari {

namespace {

const char* kStyle = R"CSS(
/* Launch splash: a black field; the title and then the whole splash fade. */
.splash { transition: opacity 1500ms ease-in-out; opacity: 1; }
.splash.faded { opacity: 0; }
.splash-title {
  font-size: 30px; font-weight: 200; color: rgba(255,255,255,0.35);
  opacity: 0; transition: opacity 1500ms ease-in;
}
.splash-title.shown { opacity: 1; }

/* Security banner: drops in from the top edge, fading. */
.security-banner {
  padding: 14px 20px; border-radius: 12px;
  transition: opacity 400ms ease-in-out, transform 400ms ease-in-out,
              background-color 400ms ease-in-out, box-shadow 400ms ease-in-out;
  opacity: 1; transform: none;
}
.security-banner.away { opacity: 0; transform: translateY(-120px); }
.security-banner image { -gtk-icon-size: 22px; }
.security-banner .alert-title { font-size: 14px; font-weight: 700; color: white; }
.security-banner .alert-subtitle { font-size: 12px; font-weight: 500; color: rgba(255,255,255,0.8); }
/* Its glow is drawn by the banner itself, from levels made once per size. */
.security-banner.threat {
  background-color: rgba(255,69,58,0.25);
  box-shadow: inset 0 0 0 1.5px rgba(255,69,58,0.6);
}
.security-banner.threat image { color: rgb(255,69,58); }
.security-banner.secured {
  background-color: rgba(48,209,88,0.2);
  box-shadow: inset 0 0 0 1.5px rgba(48,209,88,0.5);
}
.security-banner.secured image { color: rgb(48,209,88); }

/* Cell catalog. */
.catalog-layer { transition: opacity 250ms ease-in-out; opacity: 1; }
.catalog-layer.away { opacity: 0; }
.catalog-scrim { background-color: rgba(0,0,0,0.3); }
.catalog-panel {
  border-radius: 18px;
  box-shadow: inset 0 0 0 1px rgba(255,255,255,0.1), 0 10px 30px rgba(0,0,0,0.5);
}
.catalog-panel separator { background-color: rgba(255,255,255,0.1); min-height: 1px; }
.catalog-header { padding: 16px; }
.catalog-header .catalog-dna { -gtk-icon-size: 20px; color: rgb(100,210,255); }
.catalog-title { font-size: 16px; font-weight: 600; color: white; }
.catalog-subtitle { font-size: 12px; color: rgba(255,255,255,0.55); }
.catalog-badge {
  font-family: monospace; font-size: 10px; color: rgba(255,255,255,0.3);
  padding: 3px 8px; border-radius: 999px; background-color: rgba(255,255,255,0.06);
}
.catalog-close {
  background: none; border: none; box-shadow: none; padding: 2px; min-height: 0; min-width: 0;
  color: rgba(255,255,255,0.55); -gtk-icon-shadow: none;
}
.catalog-close image { -gtk-icon-size: 20px; }
.catalog-close:hover { color: rgba(255,255,255,0.85); }
.catalog-intro { padding: 12px 16px; background-color: rgba(255,255,255,0.03); }
.catalog-intro image { -gtk-icon-size: 12px; color: rgb(255,214,10); }
.catalog-intro label { font-size: 12px; color: rgba(255,255,255,0.6); }
.catalog-list { padding: 16px; }
.catalog-section-icon { -gtk-icon-size: 12px; }
.catalog-section-title { font-family: monospace; font-size: 11px; font-weight: 700; color: rgba(255,255,255,0.5); }
.catalog-section-description { font-size: 10px; color: rgba(255,255,255,0.25); }
.catalog-entry {
  padding: 8px 12px; border-radius: 10px; background-image: none; background-color: rgba(255,255,255,0.03);
  border: none; box-shadow: inset 0 0 0 1px rgba(255,255,255,0.05); text-shadow: none;
}
.catalog-entry:hover { background-color: rgba(255,255,255,0.07); }
.catalog-prompt { font-size: 13px; font-weight: 500; color: white; }
.catalog-label { font-size: 10px; color: rgba(255,255,255,0.35); }
.catalog-or-say { font-size: 10px; color: rgba(255,255,255,0.2); }
.catalog-way { font-size: 10px; padding: 2px 6px; border-radius: 999px; }
)CSS";

}  // namespace

void installOncePerDisplay(GdkDisplay*& installedOn, const std::function<std::string()>& makeCss) {
  auto display = Gdk::Display::get_default();
  if (!display || display->gobj() == installedOn) return;
  installedOn = display->gobj();
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(makeCss());
  Gtk::StyleContext::add_provider_for_display(display, provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void installOverlayStyle() {
  static GdkDisplay* installedOn = nullptr;
  installOncePerDisplay(installedOn, [] { return std::string(kStyle); });
}

}  // namespace kivari
