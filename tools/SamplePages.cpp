#include "SamplePages.h"

#include <initializer_list>

namespace sample {

namespace {

// One element per line: lines end in a tag, so joining them without a separator is harmless.
QByteArray
page(std::initializer_list<const char*> lines)
{
  QByteArray result;
  for (const char* line : lines) {
    result += line;
    result += '\n';
  }
  return result;
}

} // namespace

QByteArray
helpPage()
{
  return page({
    "<html>",
    "<head><title>Cochlex Help</title></head>",
    "<body>",
    "<h1>Cochlex Help</h1>",
    "<p>Cochlex shows a three-dimensional teaching model of the <b>incudostapedial joint</b>, the "
    "small joint between the incus and the stapes in the right middle ear. Nine structures of the "
    "joint are drawn as surfaces; three section images cut through a micro-CT-like volume of the "
    "same region; a head in the small view beside the model shows where you are looking from.</p>",

    "<p><b>Contents</b></p>",
    "<ul>",
    R"(<li><a href="#window">The window</a></li>)",
    R"(<li><a href="#orientation">Orientation</a></li>)",
    R"(<li><a href="#mouse-model">Mouse in the Model view</a></li>)",
    R"(<li><a href="#mouse-head">Mouse in the Head view</a></li>)",
    R"(<li><a href="#keys">Keys x, y and z: interactive section planes</a></li>)",
    R"(<li><a href="#camera">Camera controls</a></li>)",
    R"(<li><a href="#sections">Section images and clipping</a></li>)",
    R"(<li><a href="#visibility">Visibility and Transparency</a></li>)",
    R"(<li><a href="#labels">Labels and descriptions</a></li>)",
    R"(<li><a href="#screenshots">Screenshots for handouts</a></li>)",
    R"(<li><a href="#menus">Menus</a></li>)",
    R"(<li><a href="#shortcuts">Keyboard shortcuts</a></li>)",
    R"(<li><a href="#quiz">Quiz: find the structure</a></li>)",
    R"(<li><a href="#structures">The structures</a></li>)",
    R"(<li><a href="#tips">Tips</a></li>)",
    "</ul>",

    R"(<h2><a name="window">The window</a></h2>)",
    "<p>On the left is the <b>ControlPanel</b> with, from top to bottom, the <b>Head</b> view, the "
    "three section tabs and the <b>Visibility and Transparency</b> list of the structures. On the "
    "right is the <b>Model</b> view with its camera controls: two controls on its left side, one "
    "row of controls and buttons underneath.</p>",
    "<p>The Model and Head views are dock windows: drag a title bar to float one, or close it with "
    "its close button. <i>View &gt; View Model</i> and <i>View &gt; View Head</i> bring them "
    "back.</p>",
    "<p>A floating Model view opens beside the control panel and stays on the screen. To put it "
    "back into the window, double-click its title bar, or choose <i>View &gt; View Model</i> "
    "(Ctrl+M).</p>",

    R"(<h2><a name="orientation">Orientation</a></h2>)",
    "<p>The model starts in the <b>Frontal View</b>: you face the patient, so superior is up, "
    "lateral (toward the ear canal) is on your left and medial (toward the inner ear and the "
    "middle "
    "of the head) on your right; posterior points away from you. The letters of the axes in the "
    "corner of the Model view name the directions: <b>M</b> medial, <b>P</b> posterior, <b>S</b> "
    "superior. The head in the Head view turns with the model, so it always shows the direction "
    "you look from.</p>",
    "<p>Lengths in the model are millimetres. The whole stapes is a little over 3&nbsp;mm "
    "long.</p>",

    R"(<h2><a name="mouse-model">Mouse in the Model view</a></h2>)",
    R"(<table border="1" cellpadding="4" cellspacing="0">)",
    "<tr><th>Gesture</th><th>Effect</th></tr>",
    "<tr><td>Rest the pointer on a structure</td><td>Its name appears at the right end of the "
    "status bar and beside the pointer. Through a translucent structure (transparency 0.5 or "
    "more) the pointer names the one you see behind it; where nothing lies behind, it names the "
    "translucent one.</td></tr>",
    "<tr><td>Click a structure (press and let go without moving)</td><td>Its row in "
    "<b>Visibility and Transparency</b> scrolls into view and lights up, and the structure "
    "flashes green twice in the view.</td></tr>",
    "<tr><td>Double-click a structure</td><td>Show only this structure: every other one is hidden "
    "with its Show box. <b>Show All</b> brings them back.</td></tr>",
    "<tr><td>Left button, drag</td><td>Rotate the model about its centre. The head turns with "
    "it.</td></tr>",
    "<tr><td>Ctrl + left button, drag</td><td>Spin the model about the viewing direction. The "
    "head spins with it.</td></tr>",
    "<tr><td>Middle button, drag, or Shift + left button, drag</td><td>Pan: move the model in the "
    "view.</td></tr>",
    "<tr><td>Right button, drag up or down</td><td>Zoom in or out.</td></tr>",
    "<tr><td>Mouse wheel</td><td>Zoom in or out towards the point under the pointer, which "
    "stays where it is.</td></tr>",
    "</table>",

    R"(<h2><a name="mouse-head">Mouse in the Head view</a></h2>)",
    "<p>The same gestures work on the head. Rotating or spinning the head turns the model with it, "
    "so you can choose a direction of view on the head and see the joint from there. Panning and "
    "zooming the head change the Head view only.</p>",

    R"(<h2><a name="keys">Keys x, y and z: interactive section planes</a></h2>)",
    "<p>Click into the Model view so that it has the keyboard focus, then press <b>x</b>, <b>y</b> "
    "or <b>z</b> to switch on an interactive plane through the section volume, across its x, y or "
    "z axis; press the same key again to switch it off. The planes of the keys feed the section "
    "images of the tabs: <b>x</b> the image of the <i>Y Plane</i> tab, <b>y</b> that of the <i>Z "
    "Plane</i> tab and <b>z</b> that of the <i>X Plane</i> tab. A plane appears where the image "
    "of its tab lies among the structures.</p>",
    "<p>While a plane is on:</p>",
    "<ul>",
    "<li><b>Left button</b> on the plane: a cross-hair cursor shows the voxel under the mouse and "
    "its grey value.</li>",
    "<li><b>Middle button</b> inside the plane: push the plane through the volume; near its edges "
    "or corners: tilt or spin it.</li>",
    "<li><b>Right button</b>, drag: change the window and level (contrast and brightness) of the "
    "plane's image.</li>",
    "</ul>",
    "<p>The section number of a tab is not changed by the plane; the next change of that number "
    "sets the slice from the tab again.</p>",

    R"(<h2><a name="camera">Camera controls</a></h2>)",
    "<ul>",
    "<li><b>Rotate</b>: the vertical scroll bar on the left of the Model view tilts the model "
    "forward and back (<i>Rotate around X</i>); the horizontal scroll bar labelled Rotate turns it "
    "to the left and right (<i>Rotate around Y</i>). Both turn the head as well.</li>",
    "<li><b>Automatic rotation</b>: the check box above the left scroll bar (<i>Automatic rotation "
    "around X axis</i>) and the one right of the Rotate bar (<i>Automatic rotation around Y "
    "axis</i>) keep model and head turning, ten degrees a second. Only one of them can be on; "
    "clear it to stop.</li>",
    "<li><b>Pan</b>: the horizontal slider labelled Pan moves the model sideways (<i>Shift along "
    "X</i>), the vertical slider on the left moves it up and down (<i>Shift along Y</i>). Panning "
    "changes the Model view only.</li>",
    "<li><b>Zoom</b>: the scroll bar at the right end of the row. The middle is the starting size; "
    "to the right the model grows, to the left it shrinks.</li>",
    "<li><b>Frontal View</b>: back to the standard view of the start, for the model and the "
    "head.</li>",
    "<li><b>Center Models</b>: fit the visible structures into the view again without changing "
    "the direction you look from.</li>",
    "<li><b>Show All</b> and <b>Hide All</b>: show every structure, or empty the Model view "
    "(structures and section images).</li>",
    "<li><b>Audio Guide 1</b> and <b>2</b>: spoken tours, played by your media player: 1 explains "
    "the window and its controls, 2 the anatomy of the joint.</li>",
    "</ul>",

    R"(<h2><a name="sections">Section images and clipping</a></h2>)",
    "<p>The tabs <b>X Plane</b>, <b>Y Plane</b> and <b>Z Plane</b> each control one section image "
    "of the volume:</p>",
    "<ul>",
    "<li><b>Show X Plane</b> (<b>Show Y Plane</b>, <b>Show Z Plane</b>): shows or hides the image "
    "among the structures.</li>",
    "<li><b>Section #</b>: the number box and the scroll bar beside it choose the slice, from 1 to "
    "115 on X Plane, to 748 on Y Plane and to 552 on Z Plane. The image moves through the model "
    "as the number changes, also while it is hidden.</li>",
    "<li><b>Clipping</b>: the words under the slider name its positions. In the middle (No cut) "
    "the structures are whole. To the right, only the parts of "
    "the structures on the side the image faces are drawn; to the left, the parts on the other "
    "side. The cut follows the section number. The three tabs cut independently, so up to three "
    "cuts can act together. Neither the head nor the section images are cut. While a cut is on, "
    "the status bar at the bottom of the window names its plane and the side that is shown, also "
    "when its tab is not in front.</li>",
    "</ul>",
    "<p>In the images air is dark, soft tissue mid grey, cartilage lighter and bone brightest; the "
    "blood vessels show as dark channels in the soft tissue around the incus. A voxel measures "
    "12.7&nbsp;&micro;m across and 20&nbsp;&micro;m along the slices.</p>",

    R"(<h2><a name="visibility">Visibility and Transparency</a></h2>)",
    "<p>Each structure has a row with a <b>Show</b> check box, a number box and a slider. The "
    "check "
    "box shows or hides the structure. Number box and slider set its transparency and follow each "
    "other: 0 (slider at the left) is opaque, 1 (slider at the right) is invisible. The small "
    "square beside <b>Show</b> has the structure's colour in the view. The areolar "
    "tissue around the long process of the incus has no row; it is drawn faintly and follows Show "
    "All and Hide All.</p>",

    R"(<h2><a name="labels">Labels and descriptions</a></h2>)",
    "<p><i>View &gt; Show Labels</i> (<b>Ctrl+L</b>) names every structure shown in the Model "
    "view, as in an atlas: the names stand in columns at the left and right edges of the view, "
    "each joined by a thin line to a point of its structure. The labels follow the model as you "
    "turn, zoom and cut it; a hidden structure loses its label. Click a label to select its "
    "structure, just as clicking the structure itself does.</p>",
    "<p>Selecting a structure (a click on it, on its label, or on the title of its row) opens the "
    "<b>Structure</b> panel with its description: what it is, where it lies, what it touches, "
    "what it does, and a clinical note. After a wrong answer in the quiz the panel describes the "
    "structure you were asked for. <i>View &gt; Structure</i> shows or hides the panel.</p>",

    R"(<h2><a name="screenshots">Screenshots for handouts</a></h2>)",
    "<p>Prepare the view (direction, zoom, structures, sections, cuts), then choose <i>File &gt; "
    "Save Screenshot...</i> or press <b>Ctrl+S</b>. Choose a folder and a name; the file type "
    "sets the format and the size: PNG or JPEG, at the size of the Model view or at double its "
    "width and height for print. A <b>Title</b> typed in the dialog is printed above the "
    "picture. The picture is the Model view as you see it, with the axes in "
    "its corner. If the file cannot be written (a folder you may not write to, a full disk), a "
    "message says so and no half-written file is left behind.</p>",
    "<p>From a terminal, <tt>cochlex --screenshot view.png --size 1600x1200 MODEL_FOLDER</tt> "
    "writes the frontal view of the model in MODEL_FOLDER without opening a window.</p>",
    "<p>For a printed handout, choose <i>View &gt; White Background</i> and <i>View &gt; Show "
    "Labels</i> before you save: the names and lines are then drawn dark on white. From a "
    "terminal, <tt>cochlex --screenshot handout.png --labels --white --title \"The joint\" "
    "MODEL_FOLDER</tt> does the same, with a title.</p>",

    R"(<h2><a name="menus">Menus</a></h2>)",
    "<ul>",
    "<li><b>File &gt; Save Screenshot...</b> (Ctrl+S): save the Model view as a picture; see <a "
    "href=\"#screenshots\">Screenshots for handouts</a>.</li>",
    "<li><b>View &gt; View Model</b>, <b>View Head</b>: bring back the Model or Head view, docked "
    "in the window.</li>",
    "<li><b>View &gt; Show Stereo</b>: red-cyan anaglyph stereo in the Model view (use red-cyan "
    "glasses); the entry then reads <b>Hide Stereo</b> and switches it off again.</li>",
    "<li><b>View &gt; Show Labels</b> (Ctrl+L), <b>White Background</b>: names on the model and a "
    "white background for print; see <a href=\"#labels\">Labels and descriptions</a>.</li>",
    "<li><b>View &gt; View All</b>, <b>Hide All</b>: the same as the Show All and Hide All "
    "buttons.</li>",
    "<li><b>View &gt; Head Front View</b>: the same as the Frontal View button.</li>",
    "<li><b>View &gt; Center Models</b>: the same as the Center Models button.</li>",
    "<li><b>View &gt; Full Screen</b>: the Model view fills the screen. Press <b>Escape</b> or "
    "<b>F11</b> to bring it back into the window.</li>",
    "<li><b>Help &gt; Cochlex Help</b>: this page. <b>Help &gt; About Cochlex</b>: about the "
    "program and the model.</li>",
    "</ul>",

    R"(<h2><a name="shortcuts">Keyboard shortcuts</a></h2>)",
    R"(<table border="1" cellpadding="4" cellspacing="0">)",
    "<tr><th>Key</th><th>Effect</th></tr>",
    "<tr><td>F1</td><td>This help page</td></tr>",
    "<tr><td>F11</td><td>Full Screen, and back</td></tr>",
    "<tr><td>Escape</td><td>Back from Full Screen</td></tr>",
    "<tr><td>Home</td><td>Frontal View</td></tr>",
    "<tr><td>Ctrl+A</td><td>Show All</td></tr>",
    "<tr><td>Ctrl+Shift+A</td><td>Hide All</td></tr>",
    "<tr><td>Ctrl+3</td><td>Anaglyph stereo on or off</td></tr>",
    "<tr><td>Ctrl+M</td><td>View Model</td></tr>",
    "<tr><td>Ctrl+H</td><td>View Head</td></tr>",
    "<tr><td>Ctrl+K</td><td>Quiz: Find the Structure, and stop it</td></tr>",
    "<tr><td>Ctrl+O</td><td>Open Teaching Model</td></tr>",
    "<tr><td>Ctrl+S</td><td>Save Screenshot</td></tr>",
    "<tr><td>Ctrl+L</td><td>Show Labels, and hide them</td></tr>",
    "<tr><td>Ctrl+Q</td><td>Quit</td></tr>",
    "<tr><td>x, y, z</td><td>Interactive section planes, in the Model view</td></tr>",
    "<tr><td>Arrow keys</td><td>Turn the model 5 degrees, in the Model view</td></tr>",
    "<tr><td>Shift+arrow keys</td><td>Move the model, in the Model view</td></tr>",
    "<tr><td>+ and -</td><td>Zoom in and out, in the Model view</td></tr>",
    "</table>",
    "<p>The menus show the keys beside their entries.</p>",
    R"(<h2><a name="quiz">Quiz: find the structure</a></h2>)",
    "<p><b>View &gt; Quiz: Find the Structure</b> (Ctrl+K) tests you on the structures shown in "
    "the Model view, each once, in a random order: the name to find appears over the view and in "
    "the status bar, and you answer by clicking that structure. Turn, zoom, make structures "
    "transparent or cut them as you like meanwhile. A wrong click tells you what you clicked and "
    "asks again. At the end you see how many you found at the first try and which ones you "
    "missed. The count beside the name, such as 3 of 9, tells how far you are. While the quiz "
    "runs the pointer names nothing, clicks select nothing and the structure rows show neither "
    "names nor colours; choose the "
    "entry again to stop early. Show at least two structures first. A structure you hide during "
    "a round leaves it, and the score counts only what was asked; with fewer than two structures "
    "left the round ends.</p>",

    R"(<h2><a name="lessons">Lessons: views, standard views, presenting</a></h2>)",
    "<p>Set up a picture (direction, zoom, structures, transparency, sections, cuts) and choose "
    "<b>View &gt; Add View</b> (Ctrl+D): it appears in the <b>Views</b> list under the Model view "
    "as View 1, View 2, .... Double-click a name to rename it and write its sentence in "
    "<b>Caption</b> beside the list. The buttons under the list replace the chosen view by the "
    "current picture, delete it or move it; names can also be dragged. Clicking a view goes "
    "there: the camera turns smoothly, the controls are set and the caption shows in a band "
    "under the picture until the camera is moved.</p>",
    "<p><b>File &gt; Save Lesson...</b> (Ctrl+Shift+S) keeps the views in a .cochlex-lesson file "
    "to hand to students; <b>File &gt; Open Lesson...</b> (Ctrl+Shift+O) or <tt>cochlex --lesson "
    "FILE MODEL_FOLDER</tt> opens one. Quitting, or opening another lesson or model, with views "
    "not yet saved asks first: <b>Save</b>, <b>Discard</b> or <b>Cancel</b>. <b>View &gt; "
    "Present Lesson</b> (F5) shows the picture alone full screen, with its caption and the "
    "view's number (3 / 4), from the first view; <b>Page Down</b> or <b>Space</b> goes to the "
    "next view, <b>Page Up</b> back, <b>Escape</b> ends the presentation.</p>",
    "<p><b>View &gt; Standard Views</b> shows the model from one side, framed:</p>",
    R"(<table border="1" cellpadding="4" cellspacing="0">)",
    "<tr><th>Key</th><th>Seen from</th></tr>",
    "<tr><td>Alt+1</td><td>Anterior (the front)</td></tr>",
    "<tr><td>Alt+2</td><td>Posterior</td></tr>",
    "<tr><td>Alt+3</td><td>Superior (above)</td></tr>",
    "<tr><td>Alt+4</td><td>Inferior (below)</td></tr>",
    "<tr><td>Alt+5</td><td>Lateral (outside)</td></tr>",
    "<tr><td>Alt+6</td><td>Medial (inside)</td></tr>",
    "</table>",

    R"(<h2><a name="structures">The structures</a></h2>)",
    "<h3>Incus</h3>",
    "<p>The incus (anvil) is the middle of the three ossicles. Its body lies high in the "
    "epitympanum, where it articulates with the head of the malleus; its short process points "
    "backward to the fossa incudis. The long process descends behind and parallel to the handle of "
    "the malleus and ends in the lenticular process, a small rounded knob turned medially, which "
    "carries the articular surface for the stapes.</p>",
    "<h3>Incus Articular Cartilage</h3>",
    "<p>A thin layer of hyaline cartilage covers the convex articular surface of the lenticular "
    "process. Together with the cartilage of the stapes head it gives the joint smooth, gliding "
    "surfaces.</p>",
    "<h3>Incus Blood Vessels</h3>",
    "<p>Small vessels run in the soft tissue covering the long process and supply it and the "
    "lenticular process from above. This supply is slender, which is why the tip of the long "
    "process is the part of the ossicular chain most often eroded in chronic middle-ear "
    "disease.</p>",
    "<h3>Incus Areolar Tissue</h3>",
    "<p>Loose areolar connective tissue under the mucosa sheathes the long process and carries its "
    "vessels.</p>",
    "<h3>Stapes</h3>",
    "<p>The stapes (stirrup) is the smallest bone of the body. Its head (capitulum) carries the "
    "concave articular facet for the lenticular process; the neck joins the head to the anterior "
    "and the posterior crus, the posterior one longer and more curved; the crura end on the oval "
    "footplate, which sits in the oval window, held by the annular ligament, and passes the "
    "vibrations on to the perilymph of the vestibule.</p>",
    "<h3>Stapes Articular Cartilage</h3>",
    "<p>Hyaline cartilage lines the shallow articular facet on the head of the stapes, opposite "
    "the "
    "cartilage of the lenticular process.</p>",
    "<h3>Capsular Ligamental Fibers</h3>",
    "<p>The joint capsule wraps the joint from the lenticular process to the head of the stapes. "
    "Its fibres hold the two bones together, yet let them shift and tilt against each other a "
    "little, which protects the inner ear from large slow movements of the chain.</p>",
    "<h3>Stapedius Tendon</h3>",
    "<p>The tendon of the stapedius muscle leaves the pyramidal eminence in the posterior wall of "
    "the tympanic cavity and inserts at the back of the neck of the stapes. When the muscle "
    "contracts (acoustic reflex; facial nerve) it tilts the stapes and stiffens the chain against "
    "loud sound.</p>",
    "<h3>Joint Space</h3>",
    "<p>Between the two cartilages lies the thin joint space, a true synovial cavity filled with "
    "synovial fluid and closed by the capsule: the incudostapedial joint is a synovial joint.</p>",

    R"(<h2><a name="tips">Tips</a></h2>)",
    "<ul>",
    "<li>Make the capsule and the joint space more transparent to look into the joint.</li>",
    "<li>Not sure which structure is which? Rest the pointer on it, or double-click it to see it "
    "alone.</li>",
    "<li>Show the X Plane image and move its section number through the joint, then set Clipping "
    "to cut the structures along the image.</li>",
    "<li>Turn on automatic rotation around Y to see the arch of the stapes from all "
    "sides.</li>",
    "</ul>",
    "</body>",
    "</html>",
  });
}

QByteArray
aboutPage()
{
  return page({
    "<html>",
    "<head><title>About Cochlex</title></head>",
    "<body>",
    "<h2>Cochlex 1.0</h2>",
    "<p>An interactive viewer for teaching the anatomy of the middle ear.</p>",
    "<p>The teaching model shows the incudostapedial joint of a right ear: the incus with its "
    "cartilage, vessels and areolar tissue, the stapes with its cartilage, the capsular ligament, "
    "the stapedius tendon and the joint space, together with a section volume of 748 &times; 552 "
    "&times; 115 voxels (12.7&nbsp;&times;&nbsp;12.7&nbsp;&times;&nbsp;20&nbsp;&micro;m) and a "
    "head for orientation.</p>",
    // One paragraph split over three lines, not three elements.
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
    "<p>The model supplied with this program is a synthetic one, drawn after the textbook anatomy "
    "of the joint; it is not taken from a patient. It is meant for teaching and orientation, not "
    "for diagnosis or for planning surgery.</p>",
    "<p>Built with the Qt toolkit and the Visualization Toolkit (VTK).</p>",
    "</body>",
    "</html>",
  });
}

} // namespace sample
