#pragma once
// The program-wide message layer: numbered error, warning and fatal
// messages whose texts come from the toolkit's error database, shown in a
// Motif warning dialog or printed, and a few string helpers.
#include <cstddef>

typedef struct _WidgetRec* Widget;

using XuHandler = void (*)(const char* text);
// Called with the number of a fatal message (-1 for XuFatalError); the
// program goes on when it returns 0 and exits otherwise.
using XuFatalHook = int (*)(int number);

// Message number bits: the low 16 bits are the number.
constexpr unsigned kXuWarningBit = 0x20000;  // deliver to the warning handler
constexpr unsigned kXuFatalBit = 0x40000;    // fatal message
constexpr size_t kXuMessageMax = 500;        // bytes of one formatted message, terminator included

// Sets up the layer: the top-level widget (may be null: messages are then
// printed), the program name, the resource class (also the error-database
// class), an error-database file merged into the application's error
// database (may be null), both handlers set to XuShowMessage, and a handler
// that notes when the top-level window is mapped or unmapped.
void XuInitialize(Widget topLevel, const char* programName, const char* resourceClass,
                  const char* errorDatabaseFile);
// Forgets everything XuInitialize and the setters set (tests).
void XuReset();

void XuSetResourceName(const char* name);
void XuSetErrorDatabaseClass(const char* name);
void XuSetWarningHandler(XuHandler handler);
void XuSetErrorHandler(XuHandler handler);
void XuSetPrintHandler(XuHandler handler);
void XuSetSpareHandler(XuHandler handler);
void XuSetFatalHook(XuFatalHook hook);

// A new heap copy of text (free() it); null for null.
char* XuStrCpy(const char* text);
// The system's text for the current errno; "Unknown Error code" for 0 or an
// unknown number.
const char* XuPerror();

// Formats and delivers message `code`. The text is looked up in the error
// database under the decimal number, the resource name and the error-database
// class; a text found there is used only when its conversions fit the
// arguments of defaultFormat (otherwise it is logged and defaultFormat used).
void XuError(unsigned code, const char* defaultFormat, ...) __attribute__((format(printf, 2, 3)));
// XuError with ": " and XuPerror() appended, the whole below kXuMessageMax.
void XuSysError(unsigned code, const char* defaultFormat, ...) __attribute__((format(printf, 2, 3)));
// Prints "program: text", purges the pending messages and asks the fatal
// hook with -1; exits with status 255 unless the hook returns 0.
void XuFatalError(const char* text);

// Prints "program: text" on standard output.
void XuPrintString(const char* text);
// Prints the pending messages, if any, as "program: messages\n" and drops them.
void _XuPurgePendingMessages();

// The handler XuInitialize installs: shows text in a warning dialog named
// "warning" when the top-level widget is realized and no message dialog is
// up, else keeps it pending until the dialog closes or the top-level window
// is mapped again; without a top-level widget prints it.
void XuShowMessage(const char* text);

// For tests and the session window: the message dialog up now (null when
// none), the number of pending messages, and the mapped flag.
Widget XuMessageDialog();
size_t XuPendingMessageCount();
bool XuTopLevelMapped();
