# The p-value of each window that varno's bench program (bench/pvalues.cpp)
# printed, worked out again by TFMPvalue, an independent implementation of
# exact p-values for position weight matrices (Touzet and Varre 2007).
#
# Usage: Rscript bench/pvalues_tfmpvalue.R PVALUES_OUTPUT
# Prints one line per window: "window score varno_p tfmpvalue_p seconds".
#
# The matrix is varno's own terms, negated where lower scores are better, so
# that TFMPvalue's "at least this score" is varno's "at least as good".
# TFMPvalue rounds the asked score to its own grid: asked exactly, windows
# that tie with it may fall on either side. It is asked for the score less
# 1e-6, far below any difference of scores that matters (varno prints 14
# digits) and far above varno's width of a tie, so that every tying window
# counts, as varno counts them.
suppressPackageStartupMessages(library(TFMPvalue))

arguments <- commandArgs(trailingOnly = TRUE)
if (length(arguments) != 1) {
    stop("usage: Rscript pvalues_tfmpvalue.R PVALUES_OUTPUT")
}
lines <- readLines(arguments[1])
field <- function(prefix) strsplit(grep(paste0("^", prefix, " "), lines, value = TRUE), " ")

lower <- as.integer(field("lower_is_better")[[1]][2]) == 1
orientation <- if (lower) -1 else 1
background <- as.numeric(field("background")[[1]][-1])
names(background) <- c("A", "C", "G", "T")
terms <- do.call(rbind, lapply(field("term"), function(x) as.numeric(x[-1])))
matrix <- orientation * t(terms)
rownames(matrix) <- c("A", "C", "G", "T")

for (window in field("p")) {
    score <- as.numeric(window[3])
    start <- proc.time()[["elapsed"]]
    p <- TFMsc2pv(matrix, orientation * score - 1e-6, background, "PWM")
    seconds <- proc.time()[["elapsed"]] - start
    cat(sprintf("%s %.17g %s %.17g %.2f\n", window[2], score, window[4], p, seconds))
}
