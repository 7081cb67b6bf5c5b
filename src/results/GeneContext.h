#pragma once

class Options;
class Sequence;

// Labels every hit of the sequence against its nearest gene.
void assignGeneContext(Sequence& sequence, const Options& options);
