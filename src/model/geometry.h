// Value types and free functions for 3D and 2D geometry in double precision.
#pragma once

#include <string>

namespace plikatra {

struct Point3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

struct Point2 {
    double x = 0.0, y = 0.0;
};

// x1·x2 + y1·y2 + z1·z2.
double dot(const Point3& a, const Point3& b);
// Square root of the squared length.
double length(const Point3& p);
// x² + y² + z².
double squaredLength(const Point3& p);
void set(Point3& p, double x, double y, double z);
void clear(Point3& p);
// Cross product u × v, written out component by component.
Point3 cross(const Point3& u, const Point3& v);
Point3 sub(const Point3& a, const Point3& b);

double distance3(double x1, double y1, double z1, double x2, double y2, double z2);
double distance3(const Point3& a, const Point3& b);
double distance2(double x1, double y1, double x2, double y2);
int squaredPixelDistance(int x1, int y1, int x2, int y2);

// Heron's formula; not a number when the radicand goes negative (callers treat that as no area).
double triangleArea(double a, double b, double c);

// The point at distance d1 from P1 and d2 from P2, right of the directed line P1→P2.
// An impossible triangle collapses onto the line.
Point2 placeThirdPoint(const Point2& p1, const Point2& p2, double d12, double d2, double d1);

// Which side of the line U→V the point X lies on: (V − U) × (X − U), positive to the left
// with y up. The one orientation test of the program; keep its operand order, results on
// real models depend on it.
inline double sideOf(const Point2& u, const Point2& v, const Point2& x) {
    return (v.x - u.x) * (x.y - u.y) - (v.y - u.y) * (x.x - u.x);
}

// 1 left, −1 right, 2 on the closed segment P0P1, 0 collinear outside it.
int orientation(const Point2& p0, const Point2& p1, const Point2& p);

// True strictly inside (either winding) or on an edge or corner.
bool insideTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c);

// 1 when segments P1P2 and P3P4 meet (the point goes to out, also when 0 is returned).
int segmentIntersection(const Point2& p1, const Point2& p2, const Point2& p3, const Point2& p4,
                        Point2& out);

// v lies between a and b with a tolerance of 1e-7.
bool withinRange(double a, double b, double v);

// "(x,y,z)" with the default stream formatting of doubles; diagnostics only.
std::string formatPoint(const Point3& p);

}  // namespace plikatra
