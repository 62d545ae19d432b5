#!/bin/sh
# Records the two audio guides of the sample teaching model: speech from espeak-ng, encoded as
# Windows Media Audio (ffmpeg's wmav2), mono at 24 kbit/s (the encoder's least) to stay small. The results are
# kept in the repository, so building the model needs neither tool; run this only after changing
# a text.
#
#   apt-get install espeak-ng ffmpeg
#   sh tools/audio/make_tracks.sh
set -eu

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

track_1='Welcome to Cochlex, a three dimensional teaching model of the joint between the incus and the stapes, in the right middle ear.
The large view on the right shows the model. You start in the frontal view: you face the patient, superior is up, lateral, toward the ear canal, is on your left, and medial, toward the inner ear, is on your right. The letters of the small axes name the directions: M for medial, P for posterior, S for superior.
The small head above the controls on the left turns with the model, so it always shows where you look from.
Drag with the left mouse button to rotate the model. Hold control to spin it, hold shift or use the middle button to move it, and use the right button or the wheel to zoom. Rotating the head turns the model too.
Under the model, the scroll bars labelled rotate turn model and head, the pan sliders move the model, and the zoom bar brings it closer. The two small check boxes keep it turning by itself. Frontal view takes you back to the start, center models fits the model into the view again.
In the list of structures on the left, each row shows or hides one structure, and its slider makes it more transparent.
The three tabs above the list show section images of a micro C T volume. Choose a section number to move an image through the joint, and set clipping to cut the structures along it. With the mouse in the model view, the keys x, y and z switch on interactive section planes.
The help menu explains every control. Audio guide two tells you about the anatomy of the joint.'

track_2='The anatomy of the incudostapedial joint.
The incus, or anvil, is the middle ossicle. Its body lies high in the attic, where it meets the head of the malleus. Its short process points backward, and its long process descends to end in the lenticular process, a small knob turned toward the inner ear.
The stapes, or stirrup, is the smallest bone of the body. Its head carries a shallow facet for the lenticular process. Behind the neck, the anterior and the posterior crus, the posterior one longer and more curved, arch down to the footplate, which sits in the oval window and passes the vibrations on to the fluid of the inner ear.
The two bones meet in a true synovial joint. Both articular surfaces are covered by hyaline cartilage, shown in bluish white. Between them lies the thin joint space, in light blue. The capsular ligament, in pale yellow, wraps the joint and holds the bones together, while letting them shift a little against each other.
The stapedius tendon leaves the pyramidal eminence in the posterior wall and inserts at the back of the neck of the stapes. When the muscle contracts, in the acoustic reflex, it tilts the stapes and stiffens the chain against loud sound.
Small blood vessels, shown in red, run in the soft areolar tissue along the long process of the incus. This supply is slender, which is why the tip of the long process is the part of the chain most often eroded in chronic ear disease.
Make the capsule transparent and cut along a section image to look into the joint.'

record() {
  printf '%s\n' "$2" > "$work/text.txt"
  espeak-ng -v en-gb -s 150 -g 4 -f "$work/text.txt" -w "$work/speech.wav"
  ffmpeg -hide_banner -loglevel error -y -i "$work/speech.wav" -ac 1 -ar 22050 \
    -c:a wmav2 -b:a 24k -map_metadata -1 -fflags +bitexact -flags:a +bitexact "$here/$1"
}

record Track_1.wma "$track_1"
record Track_2.wma "$track_2"
ls -l "$here"/Track_1.wma "$here"/Track_2.wma
