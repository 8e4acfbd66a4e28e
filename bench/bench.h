#pragma once

// Each benchmark prints its figures to standard output.
void benchSearch();
