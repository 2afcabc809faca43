// The process-wide fixed-base tables (base_table.cpp).
#pragma once
#include "gost3410/curve.h"
#include "gost3410/scalar_mul.h"

namespace vantix {

// The process-wide table for the curve's base point G (affine, Montgomery form), built on
// first use. Tables are kept for a bounded number of distinct curves and never freed;
// when every slot is taken, nullptr (callers then use mul_ct). Safe for concurrent use.
const BaseTable* base_table_get(const Curve& c, const APoint& g);

}  // namespace vantix
