#pragma once
// Acting on the hot spot under a click: a function-key label or paging word
// posts its AID, a numbered menu option is typed into the first input field
// that takes it and entered, a web address is opened in the browser.
class DisplayBag;

// 1 when offset held a hot spot and it was acted on, else 0.
int isHotSpotIfSoDoIt(DisplayBag* d, unsigned int offset);

// Opens the web address that stands at `length` screen positions from
// `start`; the session installs it (the station itself starts nothing).
using BrowserStarter = void (*)(DisplayBag* d, unsigned int start, unsigned int length);
void SetBrowserStarter(BrowserStarter starter);
