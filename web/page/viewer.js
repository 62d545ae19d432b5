// The exported lesson's viewer: the model from the page's binary glTF, the lesson's views, the
// structure list, names on hover and tap, and atlas labels with leader lines.
import * as THREE from "three";
import { OrbitControls } from "three/addons/controls/OrbitControls.js";

const data = JSON.parse(document.getElementById("cochlex-data").textContent);
const element = (id) => document.getElementById(id);

// The desktop viewer draws colours as they are given, without a colour space's curve; so does
// the page, or every structure would come out paler than in the viewer.
THREE.ColorManagement.enabled = false;

// ---- The model, from the embedded binary glTF file --------------------------------------------

function base64Bytes(text) {
  const binary = atob(text.trim());
  const bytes = new Uint8Array(binary.length);
  for (let index = 0; index < binary.length; ++index) bytes[index] = binary.charCodeAt(index);
  return bytes;
}

// Reads the file the exporter writes: one mesh of indexed triangles per node, positions only.
function readGlb(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (view.getUint32(0, true) !== 0x46546c67 || view.getUint32(4, true) !== 2) {
    throw new Error("the model in this page is damaged");
  }
  const jsonLength = view.getUint32(12, true);
  const json = JSON.parse(new TextDecoder().decode(bytes.subarray(20, 20 + jsonLength)));
  const binaryStart = 20 + jsonLength + 8;
  const accessorArray = (index) => {
    const accessor = json.accessors[index];
    const bufferView = json.bufferViews[accessor.bufferView];
    const offset = bytes.byteOffset + binaryStart + (bufferView.byteOffset || 0);
    const components = accessor.type === "VEC3" ? 3 : 1;
    const Type = { 5126: Float32Array, 5123: Uint16Array, 5125: Uint32Array }[accessor.componentType];
    return new Type(bytes.buffer.slice(offset, offset + accessor.count * components * Type.BYTES_PER_ELEMENT));
  };
  return json.nodes.map((node) => {
    const primitive = json.meshes[node.mesh].primitives[0];
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute("position", new THREE.BufferAttribute(accessorArray(primitive.attributes.POSITION), 3));
    geometry.setIndex(new THREE.BufferAttribute(accessorArray(primitive.indices), 1));
    geometry.computeVertexNormals();
    geometry.computeBoundingSphere();
    return { name: node.name, geometry };
  });
}

// ---- The scene ----------------------------------------------------------------------------------

const container = element("view");
// The stencil buffer closes the cut structures (see "Cuts" below).
const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true, stencil: true });
renderer.outputColorSpace = THREE.LinearSRGBColorSpace;
renderer.localClippingEnabled = true;
renderer.setPixelRatio(window.devicePixelRatio || 1);
container.insertBefore(renderer.domElement, container.firstChild);
renderer.domElement.setAttribute("aria-hidden", "true");

const scene = new THREE.Scene();
const camera = new THREE.PerspectiveCamera(30, 1, 0.1, 1000);
scene.add(camera);
// The viewer lights the model from the camera, with 1.3 in all: a light at the camera (0.6) and a
// headlight (0.7). A Lambert surface in three.js reflects 1/pi of its light.
const light = new THREE.DirectionalLight(0xffffff, 1.3 * Math.PI);
light.position.set(0, 0, 1);
camera.add(light);
camera.add(light.target);
light.target.position.set(0, 0, 0);

const meshes = readGlb(base64Bytes(element("cochlex-glb").textContent));
// The planes the shown view cuts the structures along; every structure's material holds this
// one array, so a view changes them all at once. The section images are not cut, as in the viewer.
const cutPlanes = [];
const structures = data.structures.map((structure, index) => {
  const material = new THREE.MeshLambertMaterial({
    color: new THREE.Color(structure.color[0], structure.color[1], structure.color[2]),
    side: THREE.DoubleSide,
    clippingPlanes: cutPlanes,
  });
  const mesh = new THREE.Mesh(meshes[index].geometry, material);
  mesh.name = structure.name;
  mesh.userData.index = index;
  scene.add(mesh);
  return { ...structure, mesh, material, shown: structure.shown, transparency: structure.transparency };
});

// The section images the lesson's views show, each a textured plane placed as the viewer places
// it; made when a view first shows it.
const sectionPlanes = new Map();
function sectionPlane(axis, number) {
  const key = `${axis}:${number}`;
  if (sectionPlanes.has(key)) return sectionPlanes.get(key);
  const section = (data.sections || []).find((candidate) => candidate.axis === axis && candidate.number === number);
  let plane = null;
  if (section) {
    const geometry = new THREE.PlaneGeometry(section.width, section.height);
    // The image's corner, not its middle, stands at the placement's origin.
    geometry.translate(section.width / 2, section.height / 2, 0);
    const texture = new THREE.TextureLoader().load(section.image, () => requestDraw());
    texture.minFilter = THREE.LinearFilter;
    plane = new THREE.Mesh(geometry, new THREE.MeshBasicMaterial({ map: texture, side: THREE.DoubleSide }));
    plane.matrixAutoUpdate = false;
    plane.matrix.fromArray(section.matrix);
    plane.visible = false;
    plane.name = ["X", "Y", "Z"][axis] + " section";
    scene.add(plane);
  }
  sectionPlanes.set(key, plane);
  return plane;
}

const bounds = data.bounds;
const modelCentre = new THREE.Vector3((bounds[0] + bounds[1]) / 2, (bounds[2] + bounds[3]) / 2, (bounds[4] + bounds[5]) / 2);
const modelRadius = Math.max(1e-3, 0.5 * Math.hypot(bounds[1] - bounds[0], bounds[3] - bounds[2], bounds[5] - bounds[4]));

// ---- Cuts ----------------------------------------------------------------------------------------
// A view may cut the structures along its sections' planes, keeping the side each plane's normal
// points to, as the viewer's clipping does. A cut structure would be an open shell; with solid cut
// faces on (the viewer's default) each opaque one is closed by a cap, in its colour a quarter
// darker, by the stencil technique: the structure's back faces count up and its front faces count
// down in the stencil buffer, so the plane is drawn only where it lies inside the structure. Faded
// structures stay open shells: their caps would need the stencil counted behind the other faded
// ones.

const cutShade = 0.75;
let caps = [];

function stencilMaterial(side, operation, plane) {
  return new THREE.MeshBasicMaterial({
    side,
    clippingPlanes: [plane],
    colorWrite: false,
    depthWrite: false,
    depthTest: false,
    stencilWrite: true,
    stencilFunc: THREE.AlwaysStencilFunc,
    stencilFail: operation,
    stencilZFail: operation,
    stencilZPass: operation,
  });
}

function makeCaps(solid) {
  for (const part of caps.flatMap((cap) => cap.parts)) {
    scene.remove(part);
    part.material.dispose();
    if (part.userData.ownGeometry) part.geometry.dispose();
  }
  caps = [];
  if (!solid) return;
  let order = 10;
  cutPlanes.forEach((plane) => {
    const others = cutPlanes.filter((other) => other !== plane);
    structures.forEach((structure) => {
      const back = new THREE.Mesh(structure.mesh.geometry, stencilMaterial(THREE.BackSide, THREE.IncrementWrapStencilOp, plane));
      const front = new THREE.Mesh(structure.mesh.geometry, stencilMaterial(THREE.FrontSide, THREE.DecrementWrapStencilOp, plane));
      const size = modelRadius * 4;
      const face = new THREE.Mesh(
        new THREE.PlaneGeometry(size, size),
        new THREE.MeshLambertMaterial({
          color: structure.material.color.clone().multiplyScalar(cutShade),
          side: THREE.DoubleSide,
          clippingPlanes: others,
          stencilWrite: true,
          stencilRef: 0,
          stencilFunc: THREE.NotEqualStencilFunc,
          stencilFail: THREE.ReplaceStencilOp,
          stencilZFail: THREE.ReplaceStencilOp,
          stencilZPass: THREE.ReplaceStencilOp,
        }),
      );
      face.userData.ownGeometry = true;
      face.name = `${structure.name} cut face`;
      face.userData.structure = structure;
      // Lifted off the plane towards the side cut away by a ten-thousandth of the model's size,
      // as in the viewer: a section image in the same plane would show through it in patches.
      face.position.copy(plane.projectPoint(modelCentre, new THREE.Vector3()));
      face.position.addScaledVector(plane.normal, -2e-4 * modelRadius);
      face.quaternion.setFromUnitVectors(new THREE.Vector3(0, 0, 1), plane.normal);
      // The next structure counts from nothing.
      face.onAfterRender = (drawer) => drawer.clearStencil();
      back.renderOrder = order;
      front.renderOrder = order;
      face.renderOrder = order + 0.5;
      order += 1;
      for (const part of [back, front, face]) scene.add(part);
      caps.push({ structure, parts: [back, front, face] });
    });
  });
  showCaps();
}

// A cap shows while its structure shows, opaque.
function showCaps() {
  for (const cap of caps) {
    const on = cap.structure.mesh.visible && cap.structure.material.opacity >= 1;
    for (const part of cap.parts) part.visible = on;
  }
}

// Whether a point of a structure is on the side every cut keeps: picking and labels go by what
// the picture shows.
function keptByCuts(point) {
  return cutPlanes.every((plane) => plane.distanceToPoint(point) >= 0);
}

function applyCuts(view) {
  cutPlanes.length = 0;
  const cuts = [];
  (view.sections || []).forEach((section, axis) => {
    if (!section.cut) return;
    const normal = new THREE.Vector3(...section.cut.normal).normalize();
    cutPlanes.push(new THREE.Plane().setFromNormalAndCoplanarPoint(normal, new THREE.Vector3(...section.cut.point)));
    cuts.push({ axis: ["X", "Y", "Z"][axis], number: section.number, side: section.cut.side });
  });
  state.cuts = cuts;
  state.solidCutFaces = view.solidCutFaces !== false;
  // A new count of planes needs new shaders.
  for (const structure of structures) structure.material.needsUpdate = true;
  makeCaps(state.solidCutFaces && cutPlanes.length > 0);
}

const controls = new OrbitControls(camera, renderer.domElement);
controls.enableDamping = false;
controls.zoomToCursor = false;
controls.addEventListener("change", () => requestDraw());

// ---- What the page shows, kept in one record ---------------------------------------------------

const state = {
  view: 0,
  labels: false,
  selected: "",
  hovered: "",
  full: false,
  cuts: [],
  solidCutFaces: true,
};

function applyStructure(structure) {
  const opacity = Math.max(0, Math.min(1, 1 - structure.transparency));
  structure.mesh.visible = structure.shown && opacity > 0;
  structure.material.opacity = opacity;
  structure.material.transparent = opacity < 1;
  // A faded structure lets the ones behind it show through, as in the viewer.
  structure.material.depthWrite = opacity >= 1;
  structure.mesh.renderOrder = opacity < 1 ? 1 : 0;
  structure.material.needsUpdate = true;
  showCaps();
  const row = structure.row;
  if (row) {
    row.checkbox.checked = structure.shown;
    row.slider.value = String(Math.round(structure.transparency * 10));
    row.slider.setAttribute("aria-valuetext", `${Math.round(structure.transparency * 100)} % transparent`);
  }
}

function setStructure(index, changes) {
  const structure = structures[index];
  Object.assign(structure, changes);
  applyStructure(structure);
  publishState();
  requestDraw();
}

// ---- The structure list --------------------------------------------------------------------------

function buildStructureList() {
  const list = element("structures");
  structures.forEach((structure, index) => {
    const item = document.createElement("li");
    const row = document.createElement("div");
    row.className = "row";
    const checkbox = document.createElement("input");
    checkbox.type = "checkbox";
    checkbox.id = `shown-${index}`;
    checkbox.dataset.structure = structure.name;
    const swatch = document.createElement("span");
    swatch.className = "swatch";
    swatch.style.background = `rgb(${structure.color.map((value) => Math.round(value * 255)).join(",")})`;
    swatch.setAttribute("aria-hidden", "true");
    const label = document.createElement("label");
    label.htmlFor = checkbox.id;
    label.textContent = structure.name;
    const about = document.createElement("button");
    about.type = "button";
    about.textContent = "Info";
    // The name holds the button's visible word, so that one who says "Info" reaches it.
    about.setAttribute("aria-label", `Info about ${structure.name}`);
    about.id = `info-${index}`;
    row.append(checkbox, swatch, label, about);

    const fade = document.createElement("div");
    fade.className = "fade";
    const sliderLabel = document.createElement("label");
    sliderLabel.textContent = "Transparency";
    const slider = document.createElement("input");
    slider.type = "range";
    slider.min = "0";
    slider.max = "10";
    slider.step = "1";
    slider.id = `transparency-${index}`;
    sliderLabel.htmlFor = slider.id;
    slider.setAttribute("aria-label", `Transparency of ${structure.name}`);
    fade.append(sliderLabel, slider);
    item.append(row, fade);
    list.append(item);

    checkbox.addEventListener("change", () => setStructure(index, { shown: checkbox.checked }));
    slider.addEventListener("input", () => setStructure(index, { transparency: Number(slider.value) / 10 }));
    about.addEventListener("click", () => select(structure.name));
    structure.row = { item, checkbox, slider };
    applyStructure(structure);
  });
}

function select(name) {
  state.selected = name || "";
  structures.forEach((structure) => structure.row.item.classList.toggle("selected", structure.name === state.selected));
  const structure = structures.find((candidate) => candidate.name === state.selected);
  element("infoTitle").textContent = structure ? structure.name : "Structure";
  element("info").textContent = structure
    ? (structure.description || "This model holds no description of it.")
    : "Tap or click a structure to read about it.";
  publishState();
}

// ---- The lesson's views --------------------------------------------------------------------------

function placeCamera(pose) {
  const position = new THREE.Vector3(...pose.position);
  const focal = new THREE.Vector3(...pose.focalPoint);
  camera.fov = pose.viewAngle;
  camera.up.set(...pose.viewUp).normalize();
  // The controls turn the model about the view's own up, which they take from the camera when
  // they are made: each view gives its own.
  if (controls._quat && controls._quatInverse) {
    controls._quat.setFromUnitVectors(camera.up, new THREE.Vector3(0, 1, 0));
    controls._quatInverse.copy(controls._quat).invert();
  }
  camera.position.copy(position);
  controls.target.copy(focal);
  camera.lookAt(focal);
  camera.updateProjectionMatrix();
  controls.update();
}

function showView(index) {
  const views = data.views;
  state.view = Math.max(0, Math.min(views.length - 1, index));
  const view = views[state.view];
  structures.forEach((structure) => {
    const setting = view.structures[structure.name];
    if (setting) {
      structure.shown = setting.shown;
      structure.transparency = setting.transparency;
    }
    applyStructure(structure);
  });
  if (typeof view.labels === "boolean") {
    state.labels = view.labels;
    element("showLabels").checked = state.labels;
  }
  applyCuts(view);
  showCaps();
  for (const plane of sectionPlanes.values()) if (plane) plane.visible = false;
  (view.sections || []).forEach((section, axis) => {
    const plane = section.shown ? sectionPlane(axis, section.number) : null;
    if (plane) plane.visible = true;
  });
  scene.background = new THREE.Color(view.white ? 0xffffff : 0x000000);
  placeCamera(view.camera);
  if (view.selected) select(view.selected);
  element("position").textContent = `${state.view + 1} / ${views.length}`;
  element("viewName").textContent = view.name;
  element("caption").textContent = view.caption;
  element("previous").disabled = state.view === 0;
  element("next").disabled = state.view === views.length - 1;
  publishState();
  requestDraw();
}

// ---- Names on hover and tap ---------------------------------------------------------------------

const raycaster = new THREE.Raycaster();

function structureAt(clientX, clientY) {
  // The camera as the next picture will show it, even before the first one is drawn.
  fitCamera();
  const box = renderer.domElement.getBoundingClientRect();
  const pointer = new THREE.Vector2(((clientX - box.left) / box.width) * 2 - 1, -((clientY - box.top) / box.height) * 2 + 1);
  raycaster.setFromCamera(pointer, camera);
  const hits = raycaster
    .intersectObjects(structures.filter((structure) => structure.mesh.visible).map((structure) => structure.mesh), false)
    .filter((hit) => keptByCuts(hit.point));
  return hits.length > 0 ? hits[0] : null;
}

function showTip(name, clientX, clientY) {
  const tip = element("tip");
  state.hovered = name || "";
  if (!name) {
    tip.hidden = true;
  } else {
    const box = container.getBoundingClientRect();
    tip.textContent = name;
    tip.hidden = false;
    const x = Math.min(clientX - box.left + 12, box.width - tip.offsetWidth - 4);
    const y = Math.max(4, clientY - box.top - tip.offsetHeight - 12);
    tip.style.left = `${Math.max(4, x)}px`;
    tip.style.top = `${y}px`;
  }
  publishState();
}

let pressed = null;
renderer.domElement.addEventListener("pointerdown", (event) => {
  pressed = { x: event.clientX, y: event.clientY };
});
renderer.domElement.addEventListener("pointerup", (event) => {
  // A tap names what it touched; a drag turned the model and names nothing.
  if (pressed && Math.hypot(event.clientX - pressed.x, event.clientY - pressed.y) < 6) {
    const hit = structureAt(event.clientX, event.clientY);
    const name = hit ? hit.object.name : "";
    select(name);
    showTip(name, event.clientX, event.clientY);
  }
  pressed = null;
});
renderer.domElement.addEventListener("pointermove", (event) => {
  if (event.pointerType === "mouse" && event.buttons === 0) {
    const hit = structureAt(event.clientX, event.clientY);
    showTip(hit ? hit.object.name : "", event.clientX, event.clientY);
  }
});
renderer.domElement.addEventListener("pointerleave", () => showTip("", 0, 0));

// ---- Atlas labels --------------------------------------------------------------------------------
// The viewer's label layout (columns at both margins, leader lines that do not cross) written
// again in JavaScript: the rules are a few hundred lines of plain arithmetic, which as
// WebAssembly would need a second compiler in the build and a larger page. Coordinates here are
// as the viewer counts them: pixels from the bottom left, y upwards.

function segmentsCross(a, b, c, d) {
  const side = (from, to, point) => {
    const cross = (to.x - from.x) * (point.y - from.y) - (to.y - from.y) * (point.x - from.x);
    return cross > 1e-9 ? 1 : cross < -1e-9 ? -1 : 0;
  };
  return side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0;
}

function stackHeight(requests, members, gap) {
  if (members.length === 0) return 0;
  return members.reduce((sum, index) => sum + requests[index].height, 0) + gap * (members.length - 1);
}

function packColumn(requests, order, bottom, top, gap) {
  const blocks = [];
  const blockTop = (block) => block.wantedTopSum / block.count;
  order.forEach((requestIndex, position) => {
    const labelHeight = requests[requestIndex].height;
    let block = { first: position, count: 1, wantedTopSum: requests[requestIndex].anchor.y + labelHeight / 2, height: labelHeight };
    while (blocks.length > 0) {
      const last = blocks[blocks.length - 1];
      if (!(blockTop(last) - last.height - gap < blockTop(block))) break;
      const above = blocks.pop();
      const offset = above.height + gap;
      above.wantedTopSum += block.wantedTopSum + offset * block.count;
      above.count += block.count;
      above.height += gap + block.height;
      block = above;
    }
    blocks.push(block);
  });
  const tops = new Array(order.length).fill(0);
  for (const block of blocks) {
    let labelTop = blockTop(block);
    for (let position = block.first; position < block.first + block.count; ++position) {
      tops[position] = labelTop;
      labelTop -= requests[order[position]].height + gap;
    }
  }
  const heightAt = (position) => requests[order[position]].height;
  let limit = top;
  for (let position = 0; position < tops.length; ++position) {
    tops[position] = Math.min(tops[position], limit);
    limit = tops[position] - heightAt(position) - gap;
  }
  limit = bottom;
  for (let position = tops.length - 1; position >= 0; --position) {
    tops[position] = Math.max(tops[position], limit + heightAt(position));
    limit = tops[position] + gap;
  }
  limit = top;
  for (let position = 0; position < tops.length; ++position) {
    tops[position] = Math.min(tops[position], limit);
    limit = tops[position] - heightAt(position) - gap;
  }
  return tops;
}

function fillColumns(requests, side, available, gap) {
  const columns = [[]];
  for (const index of side) {
    const last = columns[columns.length - 1];
    if (last.length > 0 && stackHeight(requests, [...last, index], gap) > available) columns.push([]);
    columns[columns.length - 1].push(index);
  }
  return columns;
}

function placeColumn(requests, column, settings, placed) {
  const bottom = column.left ? Math.max(settings.margin, settings.leftBottom) : settings.margin;
  const top = settings.height - settings.margin;
  const order = column.members;
  // A stable sort by height of anchor, top first.
  order.sort((a, b) => requests[b].anchor.y - requests[a].anchor.y);
  const place = () => {
    const tops = packColumn(requests, order, bottom, top, settings.gap);
    order.forEach((index, position) => {
      const request = requests[index];
      let x = column.left ? column.innerEdge - request.width : column.innerEdge;
      x = Math.max(0, Math.min(x, settings.width - request.width));
      const box = { x, y: tops[position] - request.height, width: request.width, height: request.height };
      const leaderX = column.left ? x + request.width + settings.leaderInset : x - settings.leaderInset;
      placed[index] = { box, leader: { x: leaderX, y: box.y + box.height / 2 }, column: 0 };
    });
  };
  place();
  const count = order.length;
  for (let attempt = 0; attempt < count * count; ++attempt) {
    let swapped = false;
    for (let first = 0; first + 1 < count && !swapped; ++first) {
      for (let second = first + 1; second < count && !swapped; ++second) {
        if (segmentsCross(requests[order[first]].anchor, placed[order[first]].leader,
                          requests[order[second]].anchor, placed[order[second]].leader)) {
          [order[first], order[second]] = [order[second], order[first]];
          swapped = true;
        }
      }
    }
    if (!swapped) break;
    place();
  }
}

export function layOutLabels(requests, settings) {
  const placed = new Array(requests.length);
  if (requests.length === 0) return placed;
  const { width, height, margin, gap } = settings;
  const leftAvailable = height - margin - Math.max(margin, settings.leftBottom);
  const rightAvailable = height - 2 * margin;
  const byX = requests.map((_, index) => index).sort((a, b) => requests[a].anchor.x - requests[b].anchor.x);
  const sideOf = (from, to) => byX.slice(from, to);
  const count = requests.length;
  let split = requests.filter((request) => request.anchor.x < width / 2).length;
  while (split > 0 && stackHeight(requests, sideOf(0, split), gap) > leftAvailable &&
         stackHeight(requests, sideOf(split - 1, count), gap) <= rightAvailable) --split;
  while (split < count && stackHeight(requests, sideOf(split, count), gap) > rightAvailable &&
         stackHeight(requests, sideOf(0, split + 1), gap) <= leftAvailable) ++split;
  if (stackHeight(requests, sideOf(0, split), gap) > leftAvailable &&
      stackHeight(requests, sideOf(split, count), gap) > rightAvailable) split = Math.floor(count / 2);
  const rightSide = sideOf(split, count).reverse();
  const columns = [];
  let leftEdge = margin;
  for (const members of fillColumns(requests, sideOf(0, split), leftAvailable, gap)) {
    const columnWidth = Math.max(0, ...members.map((index) => requests[index].width));
    columns.push({ members, left: true, innerEdge: leftEdge + columnWidth });
    leftEdge += columnWidth + gap;
  }
  let rightEdge = width - margin;
  for (const members of fillColumns(requests, rightSide, rightAvailable, gap)) {
    const columnWidth = Math.max(0, ...members.map((index) => requests[index].width));
    columns.push({ members, left: false, innerEdge: rightEdge - columnWidth });
    rightEdge -= columnWidth + gap;
  }
  let leftNumber = 0;
  let rightNumber = -1;
  for (const column of columns) {
    if (column.members.length === 0) continue;
    placeColumn(requests, column, settings, placed);
    const number = column.left ? leftNumber++ : rightNumber--;
    for (const index of column.members) placed[index].column = number;
  }
  return placed;
}

// Where a structure's leader line ends: a point of its surface the view shows, the one nearest
// the middle of its picture among a sample of its vertices.
function labelAnchor(structure, width, height) {
  const positions = structure.mesh.geometry.getAttribute("position");
  const step = Math.max(1, Math.floor(positions.count / 200));
  const centre = structure.mesh.geometry.boundingSphere.center.clone().project(camera);
  const candidates = [];
  const point = new THREE.Vector3();
  for (let index = 0; index < positions.count; index += step) {
    point.fromBufferAttribute(positions, index);
    const projected = point.clone().project(camera);
    if (projected.z < -1 || projected.z > 1 || Math.abs(projected.x) > 1 || Math.abs(projected.y) > 1) continue;
    if (!keptByCuts(point)) continue;
    candidates.push({ point: point.clone(), projected, distance: Math.hypot(projected.x - centre.x, projected.y - centre.y) });
  }
  candidates.sort((a, b) => a.distance - b.distance);
  // A faded structure is seen through: only opaque ones hide an anchor.
  const visible = structures.filter((other) => other.mesh.visible && other.material.opacity >= 1).map((other) => other.mesh);
  for (const candidate of candidates.slice(0, 24)) {
    raycaster.set(camera.position, candidate.point.clone().sub(camera.position).normalize());
    const hits = raycaster.intersectObjects(visible, false).filter((hit) => keptByCuts(hit.point));
    const distance = candidate.point.distanceTo(camera.position);
    if (hits.length === 0 || hits[0].object === structure.mesh || hits[0].distance > distance - modelRadius * 0.01) {
      return { x: (candidate.projected.x + 1) / 2 * width, y: (candidate.projected.y + 1) / 2 * height };
    }
  }
  return null;
}

const svgNamespace = "http://www.w3.org/2000/svg";
// Label text sizes in pixels, the first as on a desktop, the last the least a phone shows
// legibly.
const labelFontSizes = [13, 11, 9];

// Whether placed labels stand apart from each other and inside the view.
export function labelsFit(placed, width, height) {
  const boxes = placed.filter(Boolean).map((label) => label.box);
  for (const [index, box] of boxes.entries()) {
    if (box.x < 0 || box.y < 0 || box.x + box.width > width || box.y + box.height > height) return false;
    for (const other of boxes.slice(index + 1)) {
      if (box.x < other.x + other.width && other.x < box.x + box.width &&
          box.y < other.y + other.height && other.y < box.y + box.height) return false;
    }
  }
  return true;
}
let placedLabels = [];

function drawLabels() {
  const svg = element("labels");
  svg.replaceChildren();
  placedLabels = [];
  if (!state.labels) return;
  const width = container.clientWidth;
  const height = container.clientHeight;
  svg.setAttribute("viewBox", `0 0 ${width} ${height}`);
  const white = scene.background && scene.background.r > 0.5;
  const named = [];
  const anchors = [];
  for (const structure of structures) {
    if (!structure.mesh.visible) continue;
    const anchor = labelAnchor(structure, width, height);
    if (!anchor) continue;
    named.push(structure);
    anchors.push(anchor);
  }
  // A phone's view cannot hold many labels at the reading size: the text shrinks in steps until
  // no two labels overlap and each stays inside the view; at the smallest they are placed anyway.
  let requests = [];
  let placed = [];
  let fontSize = labelFontSizes[0];
  for (fontSize of labelFontSizes) {
    requests = named.map((structure, index) => {
      const text = document.createElementNS(svgNamespace, "text");
      text.textContent = structure.name;
      text.style.fontSize = `${fontSize}px`;
      svg.append(text);
      const size = text.getBBox();
      text.remove();
      return { anchor: anchors[index], width: size.width + 8, height: size.height + 4 };
    });
    // The viewer keeps the lower left corner for its orientation axes; the page has none.
    placed = layOutLabels(requests, { width, height, margin: 8, gap: 4, leaderInset: 3, leftBottom: 0 });
    if (labelsFit(placed, width, height)) break;
  }
  state.labelFontSize = fontSize;
  const ink = white ? "#000" : "#fff";
  const paper = white ? "rgba(255,255,255,.75)" : "rgba(0,0,0,.6)";
  placed.forEach((label, index) => {
    const request = requests[index];
    const toScreenY = (y) => height - y;
    const line = document.createElementNS(svgNamespace, "line");
    line.setAttribute("x1", label.leader.x);
    line.setAttribute("y1", toScreenY(label.leader.y));
    line.setAttribute("x2", request.anchor.x);
    line.setAttribute("y2", toScreenY(request.anchor.y));
    line.setAttribute("stroke", ink);
    line.setAttribute("stroke-width", "1");
    const box = document.createElementNS(svgNamespace, "rect");
    box.setAttribute("x", label.box.x);
    box.setAttribute("y", toScreenY(label.box.y + label.box.height));
    box.setAttribute("width", label.box.width);
    box.setAttribute("height", label.box.height);
    box.setAttribute("fill", paper);
    const text = document.createElementNS(svgNamespace, "text");
    text.textContent = named[index].name;
    text.setAttribute("x", label.box.x + 4);
    text.setAttribute("y", toScreenY(label.box.y + label.box.height / 2));
    text.setAttribute("dominant-baseline", "central");
    text.style.fontSize = `${fontSize}px`;
    text.setAttribute("fill", ink);
    svg.append(line, box, text);
    placedLabels.push({ name: named[index].name, box: label.box, leader: label.leader, anchor: request.anchor, column: label.column });
  });
}

// ---- Drawing -------------------------------------------------------------------------------------

let drawPending = false;
function requestDraw() {
  if (drawPending) return;
  drawPending = true;
  requestAnimationFrame(draw);
}

function resize() {
  const width = Math.max(1, container.clientWidth);
  const height = Math.max(1, container.clientHeight);
  renderer.setSize(width, height, false);
  camera.aspect = width / height;
  camera.updateProjectionMatrix();
}

function fitCamera() {
  resize();
  // Near and far follow the model as the viewer's reset of the clipping range does, with room
  // for the section images, which reach past the structures.
  const distance = camera.position.distanceTo(modelCentre);
  camera.near = Math.max(distance - modelRadius * 4, distance * 0.001, 1e-4);
  camera.far = distance + modelRadius * 4;
  camera.updateProjectionMatrix();
  camera.updateMatrixWorld();
}

function draw() {
  drawPending = false;
  fitCamera();
  renderer.render(scene, camera);
  drawLabels();
  state.drawn = (state.drawn || 0) + 1;
  publishState();
}

// A new size is drawn at once, in the same frame: a rotated phone, or a browser taking a
// picture of the page at another size, must not show the old picture stretched.
new ResizeObserver(() => draw()).observe(container);

// ---- The page's state, for scripts and tests -----------------------------------------------------

function publishState() {
  const view = data.views[state.view];
  const published = {
    ready: true,
    views: data.views.map((candidate) => candidate.name),
    view: state.view,
    position: element("position").textContent,
    caption: view ? view.caption : "",
    labels: state.labels,
    selected: state.selected,
    hovered: state.hovered,
    triangles: data.triangles,
    drawn: state.drawn || 0,
    structures: structures.map((structure) => ({
      name: structure.name,
      shown: structure.shown,
      visible: structure.mesh.visible,
      opacity: structure.material.opacity,
      triangles: structure.mesh.geometry.index.count / 3,
    })),
    placedLabels: placedLabels.map((label) => label.name),
    labelBoxes: placedLabels.map((label) => label.box),
    labelFontSize: state.labelFontSize,
    sections: [...sectionPlanes.values()].filter((plane) => plane && plane.visible).map((plane) => plane.name),
    cuts: state.cuts,
    solidCutFaces: state.solidCutFaces,
    cutFaces: caps.filter((cap) => cap.parts[2].visible).map((cap) => cap.parts[2].name),
    layout: {
      scrollWidth: document.documentElement.scrollWidth,
      viewWidth: container.clientWidth,
      viewHeight: container.clientHeight,
    },
  };
  window.cochlexState = published;
  document.body.dataset.state = JSON.stringify(published);
}

// ---- Controls ------------------------------------------------------------------------------------

function openPage(title, text) {
  element("pageTitle").textContent = title;
  element("pageText").textContent = text || "This model holds no such page.";
  element("pageDialog").showModal();
}

element("helpButton").addEventListener("click", () => openPage("Help", data.help));
element("aboutButton").addEventListener("click", () => openPage("About", data.about));
element("previous").addEventListener("click", () => showView(state.view - 1));
element("next").addEventListener("click", () => showView(state.view + 1));
element("showLabels").addEventListener("change", () => {
  state.labels = element("showLabels").checked;
  publishState();
  requestDraw();
});
element("fullView").addEventListener("click", () => setFull(!state.full));
document.addEventListener("keydown", (event) => {
  if (event.target instanceof HTMLInputElement || event.target instanceof HTMLButtonElement) {
    if (event.key !== "Escape") return;
  }
  if (event.key === "ArrowRight" || event.key === "PageDown") element("next").click();
  else if (event.key === "ArrowLeft" || event.key === "PageUp") element("previous").click();
  else if (event.key === "Escape" && state.full) setFull(false);
});

function setFull(on) {
  state.full = on;
  document.body.classList.toggle("full", on);
  element("fullView").setAttribute("aria-pressed", String(on));
  requestDraw();
}

if (data.title) {
  element("title").textContent = `Cochlex: ${data.title}`;
  document.title = `${data.title} (Cochlex lesson)`;
}
buildStructureList();
showView(0);

// A page address may ask for steps, as a link from a course page or a test would:
// "#full&view=3&hide=Stapes&fade=Incus:0.5&labels&select=Incus&tapAt=-0.1,0.05". Each step works through the
// page's own controls.
function followAddress() {
  const steps = decodeURIComponent(window.location.hash.replace(/^#/, "")).split("&").filter(Boolean);
  for (const step of steps) {
    const [key, value = ""] = step.split("=");
    const index = structures.findIndex((structure) => structure.name === value.split(":")[0]);
    if (key === "full") setFull(true);
    else if (key === "view") {
      while (state.view < Number(value) - 1 && !element("next").disabled) element("next").click();
      while (state.view > Number(value) - 1 && !element("previous").disabled) element("previous").click();
    } else if (key === "hide" && index >= 0 && structures[index].row.checkbox.checked) {
      structures[index].row.checkbox.click();
    } else if (key === "show" && index >= 0 && !structures[index].row.checkbox.checked) {
      structures[index].row.checkbox.click();
    } else if (key === "fade" && index >= 0) {
      const slider = structures[index].row.slider;
      slider.value = String(Math.round(Number(value.split(":")[1]) * 10));
      slider.dispatchEvent(new Event("input"));
    } else if (key === "labels" && !element("showLabels").checked) element("showLabels").click();
    else if (key === "select") select(value);
    else if (key === "tapAt") {
      // A touch at a point of the model view given from its middle, right and down, in heights
      // of the view: the model's picture has that measure whatever the view's width.
      const [right, down] = value.split(",").map(Number);
      const box = renderer.domElement.getBoundingClientRect();
      const touch = {
        clientX: box.left + box.width / 2 + right * box.height,
        clientY: box.top + box.height / 2 + down * box.height,
        pointerType: "touch",
        bubbles: true,
      };
      renderer.domElement.dispatchEvent(new PointerEvent("pointerdown", touch));
      renderer.domElement.dispatchEvent(new PointerEvent("pointerup", touch));
    }
  }
}
followAddress();
window.addEventListener("hashchange", followAddress);
requestDraw();
