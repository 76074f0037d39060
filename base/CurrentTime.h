#pragma once
// The program's clock in tenths of a second, from a monotonic clock. The
// first call fixes the base 20 seconds earlier, so it answers about 200.
unsigned long GetCurrentTime();
