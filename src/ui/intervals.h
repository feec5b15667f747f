// The settings dialog's check of the two intervals.
#ifndef YARROWMELD_INTERVALS_H
#define YARROWMELD_INTERVALS_H

// The number checks of the settings dialog, given what an unsigned
// conversion of each field gave (ok flag and value). Values above
// 2147483647 are refused as a conversion failure, so that no negative
// interval or timer period can come from the fields. Returns 0 when all
// pass, else the number of the failing check: 3 update field, 4 post field,
// 5 both zero, 6 update not below a non-zero post.
int validate_intervals(int update_ok, unsigned update_value, int post_ok, unsigned post_value);

#endif
