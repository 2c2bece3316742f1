// The open-file dialog and the error box on Linux, with GTK 3.
#include <gtk/gtk.h>
#include <stdlib.h>
#include <string.h>

#include "convert/texts.h"
#include "platform/cp1251.h"
#include "platform/platform.h"

static bool Started(void) {
  static int state;  // 0 not tried, 1 up, -1 no display
  if (state == 0) state = gtk_init_check(nullptr, nullptr) ? 1 : -1;
  return state == 1;
}

// Lets GTK finish what closing a dialog left pending, so that no window
// lingers on screen while the run goes on.
static void Settle(void) {
  while (gtk_events_pending()) gtk_main_iteration();
}

bool PlatformChooseInputFile(char *path, unsigned long size) {
  if (!Started()) {
    // No display: say so and fail, as GTK programs do, rather than end as if
    // the dialog had been cancelled.
    const char *display = getenv("DISPLAY");
    PlatformWriteText(PlatformStandardError(), "wordhex: cannot open display", PLATFORM_TEXT_NATIVE);
    if (display != nullptr && display[0] != '\0') {
      PlatformWriteText(PlatformStandardError(), ": ", PLATFORM_TEXT_NATIVE);
      PlatformWriteText(PlatformStandardError(), display, PLATFORM_TEXT_NATIVE);
    }
    PlatformWriteText(PlatformStandardError(), "\n", PLATFORM_TEXT_NATIVE);
    exit(1);
  }
  GtkFileChooserNative *dialog =
      gtk_file_chooser_native_new(nullptr, nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
  GtkFileFilter *filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, "Intel HEX (*.hex)");
  gtk_file_filter_add_pattern(filter, "*.hex");
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), filter);  // takes the filter

  bool chosen = false;
  if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    char *file = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    // A path that does not fit is not silently shortened into another file.
    if (file != nullptr && strlen(file) < size) {
      strcpy(path, file);
      chosen = true;
    }
    g_free(file);
  }
  g_object_unref(dialog);
  Settle();
  return chosen;
}

// Converts a file name from the locale's encoding to UTF-8 for display.
static void AppendName(GString *text, const char *name) {
  gchar *utf8 = g_locale_to_utf8(name, -1, nullptr, nullptr, nullptr);
  if (utf8 == nullptr) utf8 = g_filename_display_name(name);
  g_string_append(text, utf8);
  g_free(utf8);
}

static void AppendCp1251(GString *text, const char *cp1251) {
  char utf8[256];
  while (*cp1251 != '\0') {
    Cp1251ToUtf8(cp1251, utf8, sizeof utf8, &cp1251);
    g_string_append(text, utf8);
  }
}

void PlatformShowError(const char *text, const char *name, const char *tail) {
  GString *message = g_string_new(nullptr);
  AppendCp1251(message, text);
  AppendName(message, name);
  AppendCp1251(message, tail);
  if (!Started()) {
    // No display to show it on: standard error is the only place left.
    PlatformWriteText(PlatformStandardError(), message->str, PLATFORM_TEXT_NATIVE);
    PlatformWriteText(PlatformStandardError(), "\n", PLATFORM_TEXT_NATIVE);
    g_string_free(message, TRUE);
    return;
  }
  GtkWidget *box =
      gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", message->str);
  GString *caption = g_string_new(nullptr);
  AppendCp1251(caption, Text(TEXT_CAPTION));
  gtk_window_set_title(GTK_WINDOW(box), caption->str);
  // Owned by no window, the box stands in the middle of the screen.
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
  gtk_window_set_icon_name(GTK_WINDOW(box), "dialog-error");
  // GTK 3 no longer draws the message type's icon by itself; the setter for
  // it is deprecated but still the one way to put the icon beside the text.
  // It clears the message type, which screen readers announce: set it again.
  GtkWidget *icon = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), icon);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_widget_show(icon);
  g_object_set(box, "message-type", GTK_MESSAGE_ERROR, nullptr);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  Settle();
  g_string_free(caption, TRUE);
  g_string_free(message, TRUE);
}
