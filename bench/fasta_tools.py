#!/usr/bin/env python3
"""Helpers of bench/run.sh.

  fasta_tools.py generate FILE MEGABASES SEED   writes a multi-FASTA of random
      bases (1 Mb records, 80 letters per line), the same for the same seed
  fasta_tools.py bases FILE                     prints the number of bases in a
      FASTA file or in the ORIGIN section of a GenBank record
"""
import random
import sys


def generate(file_name, megabases, seed):
    generator = random.Random(seed)
    to_bases = bytes(b"ACGT"[value % 4] for value in range(256))
    with open(file_name, "wb") as out:
        for record in range(megabases):
            bases = generator.randbytes(1_000_000).translate(to_bases)
            out.write(b">random_%03d length=1000000\n" % (record + 1))
            out.write(b"\n".join(bases[i:i + 80] for i in range(0, len(bases), 80)))
            out.write(b"\n")


def count_bases(file_name):
    total = 0
    with open(file_name, "rb") as source:
        if file_name.lower().endswith((".gb", ".gbk")):
            in_origin = False
            for line in source:
                if line.startswith(b"ORIGIN"):
                    in_origin = True
                elif line.startswith(b"//"):
                    break
                elif in_origin:
                    total += sum(len(token) for token in line.split()[1:])
        else:
            for line in source:
                if not line.startswith(b">"):
                    total += len(line.strip())
    return total


def main():
    if sys.argv[1] == "generate":
        generate(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    elif sys.argv[1] == "bases":
        print(count_bases(sys.argv[2]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
