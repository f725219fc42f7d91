#pragma once

#include "ocr/TextRun.h"

#include <optional>
#include <vector>

// Returns the upper median (index n / 2 of the sorted values), or no value for an empty list.
std::optional<double> median(std::vector<double> values);

// Groups runs into text rows, top row first. A run joins the current row while its vertical centre lies within
// max(0.6 × median height, 4) pixels of the row's first run; within a row runs keep the order of falling centre.
std::vector<std::vector<TextRun>> rowsOf(const std::vector<TextRun>& runs);
