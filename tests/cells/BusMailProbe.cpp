// A mail program that the session bus starts: it opens the address it is
// asked to over the bus by writing it to the file its first argument names.
// A second argument, in seconds, is how long it starts before it takes its
// name on the bus, as a program cold-started from a slow disk would.
#include <gio/gio.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  if (argc == 3) sleep(static_cast<unsigned>(std::atoi(argv[2])));
  const auto flags = static_cast<GApplicationFlags>(G_APPLICATION_IS_SERVICE | G_APPLICATION_HANDLES_OPEN);
  GApplication* app = g_application_new("org.kivari.TestMail", flags);
  g_signal_connect(app, "open",
                   G_CALLBACK(+[](GApplication* self, GFile** files, int count, const char*, gpointer out) {
                     std::ofstream written(static_cast<const char*>(out));
                     for (int i = 0; i < count; ++i) {
                       gchar* uri = g_file_get_uri(files[i]);
                       written << uri << '\n';
                       g_free(uri);
                     }
                     g_application_quit(self);
                   }),
                   argv[1]);
  char* own[] = {argv[0], nullptr};
  const int status = g_application_run(app, 1, own);
  g_object_unref(app);
  return status;
}
