#pragma once
// Checking a printf format that comes from outside the program (a resource,
// the error database) against the trusted format written for the same
// arguments.

// True when every conversion of `candidate` takes the same kind of argument
// as the conversion at the same place in `trusted` (candidate may use fewer
// of them), so that candidate can be used with trusted's arguments. "%%" is
// free; "%n", "*" widths or precisions not matched in trusted, positional
// ("%1$s") and unknown conversions are refused.
bool XuFormatFitsArguments(const char* candidate, const char* trusted);
