.pragma library

// How much of a shape's colour remains at `distance` outside its edge (negative: inside) once the
// shape is blurred with a Gaussian of deviation `deviation`: 0.5 at the edge, towards 1 inside and 0
// outside. Straight-edge approximation; erfc by Abramowitz-Stegun 7.1.26 (error below 1.5e-7).
function edgeCoverage(distance, deviation) {
    const x = distance / (deviation * Math.SQRT2)
    const t = 1 / (1 + 0.3275911 * Math.abs(x))
    const poly = t * (0.254829592 + t * (-0.284496736 + t * (1.421413741 + t * (-1.453152027 + t * 1.061405429))))
    const erf = 1 - poly * Math.exp(-x * x)
    return 0.5 * (1 - (x >= 0 ? erf : -erf))
}
