#pragma once
// Which screen plane a drawing or text-assist operation addresses.
enum PlaneNumber : int {
  Plane0 = 0,  // the character plane
  Plane1 = 1,
  Plane2 = 2,
  Plane3 = 3,
};
