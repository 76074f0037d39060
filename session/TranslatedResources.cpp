#include "session/TranslatedResources.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "session/MriLineReader.h"
#include "session/MriLineRules.h"
#include "session/MriPath.h"
#include "session/ResourceText.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"

namespace {

char g_fallbackLanguage[] = "FB";
char g_language[6] = "";

// The RESOURCE_MANAGER text the server holds now ("" when there is none or
// when another client left something that is not text there).
std::string CurrentResourceManager(Display* display) {
  std::string text;
  long offset = 0;
  for (;;) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, offset,
                           1L << 16, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) != Success) {
      return std::string();
    }
    if (type == None) {
      if (data) XFree(data);
      return text;
    }
    if (type != XA_STRING || format != 8) {
      if (data) XFree(data);
      LogMsg(LevelError, "%s: RESOURCE_MANAGER is not text (format %d); not used.\n", "QWC0192",
             format);
      return std::string();
    }
    if (data)
      text.append(reinterpret_cast<const char*>(data),
                  strnlen(reinterpret_cast<const char*>(data), count));
    if (data) XFree(data);
    offset += static_cast<long>(count / 4);
    if (after == 0 || count == 0) return text;
  }
}

// Stores the text as RESOURCE_MANAGER; a text longer than one request is
// written in pieces inside one server grab, so no client sees half of it.
void PublishResourceManager(Display* display, const char* text, size_t length) {
  // XMaxRequestSize counts 4-byte units.
  long piece = XMaxRequestSize(display) * 4 - 28;
  if (piece < 1) piece = 1;
  Window root = DefaultRootWindow(display);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  if (length <= static_cast<size_t>(piece)) {
    XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace, bytes,
                    static_cast<int>(length));
    XFlush(display);
    return;
  }
  XGrabServer(display);
  size_t done = 0;
  while (done < length) {
    size_t n =
        length - done < static_cast<size_t>(piece) ? length - done : static_cast<size_t>(piece);
    XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8,
                    done == 0 ? PropModeReplace : PropModeAppend, bytes + done,
                    static_cast<int>(n));
    done += n;
  }
  XUngrabServer(display);
  XFlush(display);
}

// Puts the resource lines of the file into the database.
void ReadResourceFile(FILE* file, XrmDatabase* database, int helperMode) {
  MriLineReader reader(file);
  std::string line;
  for (;;) {
    MriLineReader::Result r = reader.next(line);
    if (r == MriLineReader::End) break;
    if (r == MriLineReader::TooLong) {
      LogMsg(LevelError, "%s: resource file line %d is longer than %d bytes; line ignored.\n",
             "QWC0192", reader.lineNumber(), static_cast<int>(MriLineReader::kMaxLogicalLine));
      continue;
    }
    for (const std::string& resource : HandleResourceLine(line, helperMode, reader.lineNumber()))
      XrmPutLineResource(database, resource.c_str());
  }
}

}  // namespace

void setApplicationResources(const char* fileName, Widget topLevel, char** language, int flag) {
  (void)flag;
  *language = g_fallbackLanguage;
  int helperMode = HelperModeOfFileName(fileName);
  SetResourceHelperMode(helperMode);
  if (!topLevel || !fileName) return;
  Display* display = XtDisplay(topLevel);
  XrmInitialize();

  const char* mriPath = std::getenv("MRIPATH");
  if (!mriPath) {
    // No translated texts installed: the normal case on a desktop.
    LogMsg(LevelInformational,
           "%s: MRIPATH environment variable not defined; the built-in English texts (en_US) are used.\n",
           "QWC0193");
    return;
  }
  std::string lang = MriLanguage(std::getenv("LC_MESSAGES"));

  std::string opened;
  FILE* file = OpenMriFile(mriPath, MriFileToRead(fileName), &opened);
  if (!file) return;

  // The file's resources go over what the server already holds, so the
  // published text keeps the resources of the other clients.
  XrmDatabase database = XrmGetStringDatabase(CurrentResourceManager(display).c_str());
  ReadResourceFile(file, &database, helperMode);
  std::fclose(file);

  std::string text = ResourceDatabaseText(database);
  char* buffer =
      static_cast<char*>(LocalMalloc("mri_resources", text.size() + 3, MallocFailReturnNull));
  if (!buffer) {
    if (DebugFlag()) LogMsg(LevelDebug, "getucs2: couldn't allocate memory to read in mri file.\n");
    XrmDestroyDatabase(database);
    return;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  PublishResourceManager(display, buffer, text.size());
  std::free(buffer);

  // Over the application's own database (fallbacks, command line).
  XrmDatabase target = XtDatabase(display);
  if (target)
    XrmCombineDatabase(database, &target, True);
  else
    XrmSetDatabase(display, database);

  std::strncpy(g_language, lang.c_str(), sizeof g_language - 1);
  g_language[sizeof g_language - 1] = '\0';
  *language = g_language;
}
