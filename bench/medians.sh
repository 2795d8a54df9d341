# shellcheck shell=bash
# Sourced by the benchmark scripts. medians RESULTS: for each figure in
# RESULTS ("name value unit" lines), its median (mean of the middle two for
# an even count), unit, minimum and maximum, in name order.
medians() {
    sort -k1,1 -k2,2g "$1" | awk '
        function flush() {
            if (n == 0) return
            m = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
            printf "%s %.3f %s %.3f %.3f\n", name, m, unit, v[1], v[n]
        }
        $1 != name { flush(); name = $1; n = 0 }
        { v[++n] = $2; unit = $3 }
        END { flush() }'
}
