#pragma once
// The keyboard translator's output word for one keystroke.
struct FunctionWord {
  unsigned char category = 0;
  unsigned char code = 0;
};
