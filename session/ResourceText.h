#pragma once
// The text of a resource database in resource-file syntax, as published on
// the root window's RESOURCE_MANAGER property.
#include <X11/Xresource.h>

#include <string>
#include <vector>

struct ResourceComponent {
  bool loose;  // bound by "*" (else ".")
  std::string name;
};

// A value escaped for a resource file: a leading blank or tab and every
// backslash escaped, a newline written as "\n" plus a line continuation
// (plain "\n" at the very end).
std::string EscapeResourceValue(const std::string& value);

// One line: the bound name, ":\t" and the escaped value for type "String",
// ":" and the type's name for any other type, then a newline.
std::string FormatResourceEntry(const std::vector<ResourceComponent>& components,
                                const std::string& type, const std::string& value);

// Every entry of the database, one line each.
std::string ResourceDatabaseText(XrmDatabase database);
