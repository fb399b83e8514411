// The page's own script: the model from the embedded glTF, the element tree from the embedded
// JSON, picking, highlighting, standard views, edges, dimension labels and PMI (feature control
// frames, datums, datum targets) with their panel. Everything it needs
// is in the page; it fetches nothing.
(function () {
  'use strict';

  // What a headless browser (or a person with the console open) can ask the page.
  // Also kept on the body as JSON, for tools that only see the DOM (chromium --dump-dom).
  const status = { ready: false, errors: [], meshes: 0, instances: 0, edges: 0, nodes: 0, measured: 0 };
  window.orvexView = status;
  status.startMs = Math.round(performance.now());
  function report() { document.body.dataset.status = JSON.stringify(status); }
  window.addEventListener('error', function (event) { status.errors.push(String(event.message)); report(); });

  // The embedded texts, taken out of the document once read, so that the page does not hold
  // tens of megabytes twice.
  function take(id) {
    const element = document.getElementById(id);
    const text = element.textContent;
    element.textContent = '';
    return text;
  }
  const tree = JSON.parse(take('orvex-tree'));
  const modelText = take('orvex-model');
  const bufferText = take('orvex-buffer').trim();
  const elements = new Map(tree.elements.map(function (e) { return [e.id, e]; }));
  document.title = tree.file;
  document.getElementById('title').textContent = tree.file;

  // "#view=top&panel=0": the model alone, from above (what a snapshot takes).
  const hash = new URLSearchParams(location.hash.slice(1));
  if (hash.get('panel') === '0') document.getElementById('side').style.display = 'none';

  const host = document.getElementById('view');
  // Smoothing the edges of a hundred thousand instances costs a software renderer more than
  // it shows; smaller models have it.
  const instanceCount = tree.elements.filter(function (e) { return e.prototype; }).length;
  const renderer = new THREE.WebGLRenderer({ antialias: instanceCount <= 20000, preserveDrawingBuffer: true });
  // The glTF colours are linear; the screen wants sRGB.
  renderer.gammaOutput = true;
  renderer.gammaFactor = 2.2;
  renderer.setPixelRatio(window.devicePixelRatio || 1);
  host.appendChild(renderer.domElement);
  const leaders = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
  leaders.id = 'leaders';
  host.appendChild(leaders);
  const scene = new THREE.Scene();
  scene.background = new THREE.Color(0xf2f3f5);
  const sky = new THREE.HemisphereLight(0xffffff, 0x8088a0, 0.75);
  sky.position.set(0, 0, 1);
  scene.add(sky);
  const light = new THREE.DirectionalLight(0xffffff, 0.55);
  scene.add(light);
  const camera = new THREE.PerspectiveCamera(30, 1, 0.01, 1e7);
  camera.up.set(0, 0, 1);
  const controls = new THREE.OrbitControls(camera, renderer.domElement);
  controls.addEventListener('change', render);

  // The document's world is Z up, as CAD models are.
  const views = {
    iso: [1, -1, 0.8], front: [0, -1, 0], back: [0, 1, 0], left: [-1, 0, 0],
    right: [1, 0, 0], top: [0, 0, 1], bottom: [0, 0, -1]
  };
  // What the scene draws: one batch for each part's primitive, drawing all its instances.
  const drawn = new THREE.Group();
  scene.add(drawn);
  const batches = [];
  // The glTF's nodes as plain objects ({ name, parent, local, world }), by name (an element
  // id).
  const nodesById = new Map();
  // The glTF's meshes as the loader made them, with their extras.
  let parts = [];
  let loaded = false;
  const labels = [];

  // Draws once per frame however often it is asked: a large assembly costs a lot to draw
  // with a software renderer, and a view change asks several times.
  let drawing = 0;
  function render() {
    if (!drawing) drawing = requestAnimationFrame(draw);
  }
  function draw() {
    if (drawing) cancelAnimationFrame(drawing);
    drawing = 0;
    status.frames = (status.frames || 0) + 1;
    light.position.copy(camera.position);
    cull();
    renderer.render(scene, camera);
    layOutLabels();
  }

  function resize() {
    const width = host.clientWidth || 800, height = host.clientHeight || 600;
    renderer.setSize(width, height);
    leaders.setAttribute('width', width);
    leaders.setAttribute('height', height);
    camera.aspect = width / height;
    camera.updateProjectionMatrix();
    render();
  }

  // Looks at the whole model from `name`'s direction.
  function show(name) {
    const box = boundingBox();
    if (box.isEmpty()) return;
    const center = box.getCenter(new THREE.Vector3());
    const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-6);
    const direction = new THREE.Vector3().fromArray(views[name] || views.iso).normalize();
    const distance = radius / Math.sin(THREE.MathUtils ? THREE.MathUtils.degToRad(camera.fov / 2)
                                                       : camera.fov * Math.PI / 360) * 1.1;
    camera.up.set(0, 0, 1);
    if (Math.abs(direction.z) > 0.99) camera.up.set(0, 1, 0);
    camera.position.copy(center).addScaledVector(direction, distance);
    camera.near = distance / 1000;
    camera.far = distance * 10;
    camera.updateProjectionMatrix();
    controls.target.copy(center);
    controls.update();
    render();
  }

  const buttons = document.getElementById('buttons');
  ['fit', 'iso', 'front', 'back', 'left', 'right', 'top', 'bottom'].forEach(function (name) {
    const button = document.createElement('button');
    button.textContent = name === 'fit' ? 'Fit all' : name;
    button.addEventListener('click', function () { show(name === 'fit' ? current : name); });
    buttons.appendChild(button);
  });
  let current = views[hash.get('view')] ? hash.get('view') : 'iso';
  const edgesButton = document.createElement('button');
  edgesButton.textContent = 'Edges';
  edgesButton.addEventListener('click', function () { setEdges(!edgesShown); });
  buttons.appendChild(edgesButton);

  // Edges on or off ("#edges=0" starts with them off).
  let edgesShown = true;
  function setEdges(on) {
    edgesShown = on;
    for (const batch of batches) if (!batch.isMesh && !batch.userData.part.wire) batch.visible = on;
    edgesButton.classList.toggle('off', !on);
    render();
  }

  // Whether `node` is, or lies under, a node named `name`.
  function under(node, name) {
    for (; node; node = node.parent) if (node.name === name) return true;
    return false;
  }

  // An object drawing `geometry` once for each of `nodes`, at their world matrices. Lines are
  // drawn instanced as three.js draws instanced meshes: its line shader takes the same
  // per-instance matrix.
  function instances(geometry, material, nodes, Kind) {
    const object = new Kind(geometry, material, nodes.length);
    if (!object.isInstancedMesh) {
      object.isInstancedMesh = true;
      object.instanceMatrix = new THREE.BufferAttribute(new Float32Array(nodes.length * 16), 16);
      object.count = nodes.length;
    }
    nodes.forEach(function (node, i) { node.world.toArray(object.instanceMatrix.array, i * 16); });
    // One bounding sphere does not hold the instances.
    object.frustumCulled = false;
    return object;
  }

  // Selection: the instances of an element are drawn again in a glowing copy of their
  // material over their batch; the tree entry and the info box follow.
  const highlighted = [];
  function clearHighlight() {
    for (const glow of highlighted) drawn.remove(glow);
    highlighted.length = 0;
    document.querySelectorAll('#side span.selected').forEach(function (s) { s.classList.remove('selected'); });
  }
  function highlight(id) {
    const name = String(id);
    for (const batch of batches) {
      if (!batch.isMesh) continue;
      const picked = batch.userData.part.nodes.filter(function (node) { return under(node, name); });
      if (!picked.length) continue;
      const glow = batch.material.clone();
      glow.emissive = new THREE.Color(0xff8c00);
      glow.emissiveIntensity = 0.6;
      glow.polygonOffset = false;
      const copy = instances(batch.geometry, glow, picked, THREE.InstancedMesh);
      drawn.add(copy);
      highlighted.push(copy);
    }
  }
  function describe(element) {
    const lines = [element.name + (element.alias ? '  (' + element.alias + ')' : ''),
                   element.class + '  #' + element.id];
    if (element.color) lines.push('colour ' + element.color);
    const node = (nodesById.get(String(element.id)) || [])[0];
    if (node) {
      const p = new THREE.Vector3(), q = new THREE.Quaternion(), s = new THREE.Vector3();
      node.local.decompose(p, q, s);
      const angle = 2 * Math.acos(Math.min(1, Math.abs(q.w))) * 180 / Math.PI;
      let text = 'at (' + [p.x, p.y, p.z].map(function (v) { return +v.toFixed(4); }).join(', ') + ')';
      if (angle > 1e-6) {
        const sine = Math.sqrt(1 - q.w * q.w) * Math.sign(q.w || 1);
        text += ' rotated ' + (+angle.toFixed(3)) + ' deg about (' +
          [q.x / sine, q.y / sine, q.z / sine].map(function (v) { return +v.toFixed(4); }).join(', ') + ')';
      }
      lines.push(text);
    }
    if (element.label) lines.push(element.label);
    // What the file says of the element, then of the part or assembly an instance places.
    factLines(element.facts, lines);
    const placed = elements.get(element.prototype);
    if (placed) factLines(placed.facts, lines);
    return lines.join('\n');
  }
  function factLines(facts, lines) {
    if (!facts) return;
    if (facts.id) lines.push('id ' + facts.id);
    if (facts.description) lines.push(facts.description);
    if (facts.material) {
      const density = facts.material.density;
      lines.push('material ' + facts.material.name + (density ? ', ' + (+density.toPrecision(6)) + ' kg/m³' : ''));
    }
    Object.keys(facts.properties || {}).forEach(function (name) {
      const value = facts.properties[name];
      lines.push(name + ': ' + (value !== null && typeof value === 'object' ? value.value + ' ' + value.unit : String(value)));
    });
  }
  function select(id) {
    clearHighlight();
    const element = elements.get(id);
    if (!element) return;
    highlight(id);
    const span = reveal(id);
    if (span) { span.classList.add('selected'); span.scrollIntoView({ block: 'nearest' }); }
    const listed = document.querySelector('#dimensions span[data-id="' + id + '"], #pmi span[data-id="' + id + '"]');
    if (listed) listed.classList.add('selected');
    document.getElementById('info').textContent = describe(element);
    render();
  }

  // The tree: names, aliases, classes; a prototype shows how many instances use it. Entries
  // are made when their parent opens, so that a tree of a hundred thousand instances costs
  // only what is shown. A small tree opens whole; a large one shows its roots.
  const uses = new Map();
  for (const e of tree.elements) if (e.prototype) uses.set(e.prototype, (uses.get(e.prototype) || 0) + 1);
  const openWhole = tree.elements.length <= 2000;
  const entries = new Map();
  function childrenOf(element) {
    return (element.children || []).filter(function (child) { return elements.has(child); });
  }
  function entry(element) {
    const li = document.createElement('li');
    const toggle = document.createElement('span');
    toggle.className = 'toggle';
    li.appendChild(toggle);
    const span = document.createElement('span');
    span.dataset.id = element.id;
    span.textContent = element.name || '(unnamed)';
    if (element.alias) span.textContent += ' \u00b7 ' + element.alias;
    const kind = document.createElement('span');
    kind.className = 'class';
    kind.textContent = ' ' + element.class + (uses.has(element.id) ? ' \u00d7' + uses.get(element.id) : '');
    span.appendChild(kind);
    span.addEventListener('click', function () { select(element.id); });
    li.appendChild(span);
    if (!entries.has(element.id)) entries.set(element.id, li);
    if (childrenOf(element).length) {
      toggle.textContent = '\u25b8';
      toggle.addEventListener('click', function () { open(li, element, !li.classList.contains('open')); });
      if (openWhole) open(li, element, true);
    }
    return li;
  }
  // Children come a page at a time: a "more" entry brings the next page.
  const page = 200;
  function open(li, element, on) {
    if (on && !li.list) {
      li.list = document.createElement('ul');
      li.shown = 0;
      li.appendChild(li.list);
      more(li, element);
    }
    if (li.list) li.list.style.display = on ? '' : 'none';
    li.classList.toggle('open', on);
    li.firstChild.textContent = on ? '\u25be' : '\u25b8';
  }
  function more(li, element) {
    const children = childrenOf(element);
    if (li.more) li.more.remove();
    for (const child of children.slice(li.shown, li.shown + page)) {
      li.list.appendChild(entry(elements.get(child)));
    }
    li.shown = Math.min(children.length, li.shown + page);
    li.more = null;
    if (li.shown < children.length) {
      li.more = document.createElement('li');
      li.more.className = 'more';
      li.more.textContent = '\u2026 ' + (children.length - li.shown) + ' more';
      li.more.addEventListener('click', function () { more(li, element); });
      li.list.appendChild(li.more);
    }
  }
  // The entry of `id`, its parents opened for it.
  function reveal(id) {
    const path = [];
    for (let e = elements.get(id); e; e = elements.get(e.parent)) path.unshift(e);
    for (let i = 0; i + 1 < path.length; i++) {
      const li = entries.get(path[i].id);
      if (!li) break;
      open(li, path[i], true);
      while (!entries.has(path[i + 1].id) && li.more) more(li, path[i]);
    }
    const li = entries.get(id);
    return li ? li.children[1] : null;
  }
  const rootList = document.createElement('ul');
  for (const id of tree.roots) rootList.appendChild(entry(elements.get(id)));
  document.getElementById('tree').appendChild(rootList);

  // Picking: the nearest named node under the pointer that is an element of the tree.
  const raycaster = new THREE.Raycaster();
  let pressed = null;
  renderer.domElement.addEventListener('pointerdown', function (event) { pressed = [event.clientX, event.clientY]; });
  renderer.domElement.addEventListener('pointerup', function (event) {
    if (!loaded || !pressed || Math.hypot(event.clientX - pressed[0], event.clientY - pressed[1]) > 4) return;
    const rect = renderer.domElement.getBoundingClientRect();
    pick(event.clientX - rect.left, event.clientY - rect.top);
  });
  // Selects what is drawn at (x, y) of the view, or nothing.
  function pick(x, y) {
    const pointer = new THREE.Vector2(x / host.clientWidth * 2 - 1, -y / host.clientHeight * 2 + 1);
    camera.updateMatrixWorld();
    raycaster.setFromCamera(pointer, camera);
    const hit = raycaster.intersectObjects(batches.filter(function (b) { return b.isMesh; }))[0];
    const batch = hit && hit.object.userData;
    for (let node = batch && batch.part.nodes[batch.order[hit.instanceId]]; node; node = node.parent) {
      const id = Number(node.name);
      if (node.name && elements.has(id)) { select(id); return id; }
    }
    clearHighlight();
    render();
    return 0;
  }

  // The faces and edges a dimension measures or other PMI controls, drawn over every instance
  // of their part; the features of the datums a tolerance refers to, in a colour of their own.
  // Each mesh's extras name its shape element and, for measured faces, where their triangles
  // are.
  const overlays = [];
  function overlayMaterials(color) {
    return {
      face: new THREE.MeshBasicMaterial({
        color: color, side: THREE.DoubleSide, polygonOffset: true,
        polygonOffsetFactor: -1, polygonOffsetUnits: -1
      }),
      edge: new THREE.LineBasicMaterial({ color: color, depthTest: false })
    };
  }
  const targetMaterials = overlayMaterials(0xff3d00), datumMaterials = overlayMaterials(0x1e88e5);
  function showTargets(item) {
    overlayTargets(item.targets, targetMaterials);
    for (const id of item.datums || []) {
      const datum = elements.get(id);
      if (datum) overlayTargets(datum.targets, datumMaterials);
    }
    render();
  }
  // The parts' geometry for `targets`, each as [part, 'Face' or 'Edge', geometry].
  function targetGeometry(targets) {
    const found = [];
    for (const [element, type, index] of targets || []) {
      for (const part of parts) {
        if (!part.extras || part.extras.element !== element || !part.nodes.length) continue;
        if (type === 'Edge' && part.extras.edges && part.extras.edges[index]) {
          const geometry = new THREE.BufferGeometry();
          (geometry.setAttribute || geometry.addAttribute).call(
            geometry, 'position', new THREE.Float32BufferAttribute(part.extras.edges[index], 3));
          found.push([part, type, geometry]);
        } else if (type === 'Face' && part.extras.faces && part.extras.faces[index]) {
          const range = part.extras.faces[index];
          const primitive = part.primitives[range[0]];
          if (!primitive) continue;
          const geometry = new THREE.BufferGeometry();
          geometry.setIndex(primitive.geometry.index);
          (geometry.setAttribute || geometry.addAttribute).call(
            geometry, 'position', primitive.geometry.attributes.position);
          geometry.setDrawRange(range[1], range[2]);
          found.push([part, type, geometry]);
        }
      }
    }
    return found;
  }
  function overlayTargets(targets, materials) {
    for (const [part, type, geometry] of targetGeometry(targets)) {
      const overlay = type === 'Edge' ? instances(geometry, materials.edge, part.nodes, THREE.Line)
                                      : instances(geometry, materials.face, part.nodes, THREE.InstancedMesh);
      if (type === 'Edge') overlay.renderOrder = 1;
      drawn.add(overlay);
      overlays.push(overlay);
    }
  }
  // The middle of `targets` on the first instance of their part: where a PMI item whose file
  // gives no text point is drawn. Null when none of them is drawn.
  function targetCentre(targets) {
    const box = new THREE.Box3(), point = new THREE.Vector3();
    for (const [part, type, geometry] of targetGeometry(targets)) {
      const positions = geometry.attributes.position, world = part.nodes[0].world;
      const index = type === 'Face' ? geometry.index : null;
      const from = index ? geometry.drawRange.start : 0;
      const to = index ? from + geometry.drawRange.count : positions.count;
      for (let i = from; i < to; i++) {
        box.expandByPoint(point.fromBufferAttribute(positions, index ? index.getX(i) : i).applyMatrix4(world));
      }
    }
    return box.isEmpty() ? null : box.getCenter(new THREE.Vector3());
  }
  function hideTargets() {
    for (const overlay of overlays) drawn.remove(overlay);
    overlays.length = 0;
    render();
  }

  // Dimensions: their value and tolerance near their text point, listed in the panel too;
  // hovering either shows what they measure.
  const dimensionList = document.createElement('ul');
  for (const e of tree.elements) {
    if (!e.label || !e.textPoint) continue;
    const div = document.createElement('div');
    div.className = 'dimension';
    div.textContent = e.label;
    host.appendChild(div);
    const li = document.createElement('li');
    const span = document.createElement('span');
    span.dataset.id = e.id;
    span.textContent = e.label + '  ' + (e.name || '');
    li.appendChild(span);
    dimensionList.appendChild(li);
    for (const target of [div, span]) {
      target.addEventListener('click', function () { select(e.id); });
      target.addEventListener('mouseenter', function () { showTargets(e); });
      target.addEventListener('mouseleave', hideTargets);
    }
    const leader = document.createElementNS('http://www.w3.org/2000/svg', 'line');
    leaders.appendChild(leader);
    labels.push({ id: e.id, div: div, leader: leader, point: new THREE.Vector3().fromArray(e.textPoint) });
  }
  if (labels.length) {
    const heading = document.createElement('h2');
    heading.textContent = 'Dimensions (' + labels.length + ')';
    document.getElementById('dimensions').append(heading, dimensionList);
  }

  // PMI other than the four dimension kinds: feature control frames as their cells (symbol,
  // zone, datums), datums as a boxed letter, datum targets and other dimensions as their
  // label. Each stands at its file's text point or, where the file gives none, over what it
  // controls. The panel switches them on and off, by kind or one by one.
  const pmiKinds = [['GeometricTolerance', 'Geometric tolerances'], ['Datum', 'Datums'],
                    ['DatumTarget', 'Datum targets'], ['Dimension', 'Other dimensions']];
  // The characteristic symbols drawn as lines, so that a page shows them whatever fonts the
  // browser has (few fonts have them all), in a 16-unit square.
  const symbolPaths = {
    '\u2220': 'M14 13H2L12 4', '\u2197': 'M3 13L13 3M8 3H13V8', '\u25cb': 'M2 8a6 6 0 1 0 12 0a6 6 0 1 0-12 0',
    '\u25ce': 'M2 8a6 6 0 1 0 12 0a6 6 0 1 0-12 0M5 8a3 3 0 1 0 6 0a3 3 0 1 0-6 0',
    '\u232d': 'M4 8a4 4 0 1 0 8 0a4 4 0 1 0-8 0M1 14L7 2M9 14L15 2', '\u23e5': 'M1 12H11L15 4H5Z',
    '\u2225': 'M3 14L9 2M7 14L13 2', '\u27c2': 'M2 14H14M8 14V2',
    '\u2316': 'M3.5 8a4.5 4.5 0 1 0 9 0a4.5 4.5 0 1 0-9 0M8 1V15M1 8H15', '\u2312': 'M2 12A6 6 0 0 1 14 12',
    '\u2313': 'M2 12A6 6 0 0 1 14 12Z', '\u23e4': 'M2 8H14', '\u232f': 'M2 8H14M4 4.5H12M4 11.5H12',
    '\u2330': 'M2 14H13M2 14L7 4M7 14L12 4M4 4H7V7M9 4H12V7'
  };
  const circled = { '\u24c2': 'M', '\u24c1': 'L', '\u24c5': 'P', '\u24bb': 'F', '\u24c9': 'T', '\u24ca': 'U' };
  // The diameter sign too: the fonts that have it draw it too small to read beside digits.
  const diameterPath = 'M3.5 8a4.5 4.5 0 1 0 9 0a4.5 4.5 0 1 0-9 0M2 14L14 2';
  function glyph(d) {
    const svg = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
    svg.setAttribute('viewBox', '0 0 16 16');
    const path = document.createElementNS('http://www.w3.org/2000/svg', 'path');
    path.setAttribute('d', d);
    svg.appendChild(path);
    return svg;
  }
  // A cell's text, its diameter signs and circled modifiers (Ⓜ, Ⓛ, Ⓟ, ...) drawn: the latter
  // as letters in a ring.
  function cellOf(cell) {
    const span = document.createElement('span');
    if (symbolPaths[cell]) {
      span.appendChild(glyph(symbolPaths[cell]));
      return span;
    }
    for (const part of cell.split(/([\u24b6-\u24e9\u2300])/)) {
      if (part === '\u2300') {
        span.appendChild(glyph(diameterPath)).classList.add('diameter');
      } else if (circled[part]) {
        const ring = document.createElement('b');
        ring.className = 'ring';
        ring.textContent = circled[part];
        span.appendChild(ring);
      } else {
        span.append(part);
      }
    }
    return span;
  }
  function pmiLabel(e) {
    const div = document.createElement('div');
    div.className = 'pmi ' + e.pmi;
    div.dataset.id = e.id;
    div.dataset.text = e.label;
    div.title = e.type || e.pmi;
    for (const cell of e.cells) div.appendChild(cellOf(cell));
    return div;
  }

  const pmiLabels = [];
  function pmiEntry(e, label) {
    const li = document.createElement('li');
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.checked = true;
    box.addEventListener('change', function () { label.off = !box.checked; render(); });
    label.toggle = box;
    const span = document.createElement('span');
    span.dataset.id = e.id;
    span.textContent = e.label + (e.type ? '  ' + e.type : '');
    li.append(box, span);
    return [li, span];
  }
  function pmiSection(title, items) {
    const heading = document.createElement('h3');
    const all = document.createElement('input');
    all.type = 'checkbox';
    all.checked = true;
    all.addEventListener('change', function () {
      for (const label of items) { label.off = !all.checked; label.toggle.checked = all.checked; }
      render();
    });
    heading.append(all, title + ' (' + items.length + ')');
    return heading;
  }
  function makePmi() {
    const panel = document.getElementById('pmi');
    for (const [kind, title] of pmiKinds) {
      const list = document.createElement('ul');
      const items = [];
      for (const e of tree.elements) {
        if (e.pmi !== kind) continue;
        const div = pmiLabel(e);
        host.appendChild(div);
        const leader = document.createElementNS('http://www.w3.org/2000/svg', 'line');
        leaders.appendChild(leader);
        const label = { id: e.id, element: e, pmi: kind, div: div, leader: leader, point: null };
        const [li, span] = pmiEntry(e, label);
        list.appendChild(li);
        for (const target of [div, span]) {
          target.addEventListener('click', function () { select(e.id); });
          target.addEventListener('mouseenter', function () { showTargets(e); });
          target.addEventListener('mouseleave', hideTargets);
        }
        items.push(label);
      }
      if (!items.length) continue;
      if (!panel.children.length) panel.appendChild(document.createElement('h2')).textContent = 'PMI';
      panel.append(pmiSection(title, items), list);
      for (const label of items) { labels.push(label); pmiLabels.push(label); }
    }
  }
  makePmi();
  // Once the model is in: where each item stands.
  function placePmi() {
    for (const label of pmiLabels) {
      const position = label.element.textPosition;
      label.point = position ? new THREE.Vector3().fromArray(position) : targetCentre(label.element.targets);
    }
  }

  // Labels go where their text point is unless another label is there already; then they
  // move to the nearest free place around it, on a leader line back to the point.
  function layOutLabels() {
    const placed = [];
    const width = host.clientWidth, height = host.clientHeight;
    const projected = labels.map(function (label) {
      if (!label.point || label.off) return { label: label, visible: false };
      const p = label.point.clone().project(camera);
      if (!label.size) {
        label.div.style.display = '';
        label.size = [label.div.offsetWidth + 4, label.div.offsetHeight + 4];
      }
      return { label: label, x: (p.x + 1) / 2 * width, y: (1 - p.y) / 2 * height, visible: p.z < 1 };
    });
    projected.sort(function (a, b) { return a.y - b.y || a.x - b.x; });
    function free(box) {
      return placed.every(function (o) {
        return box.x + box.w <= o.x || o.x + o.w <= box.x || box.y + box.h <= o.y || o.y + o.h <= box.y;
      });
    }
    for (const item of projected) {
      const label = item.label;
      label.div.style.display = item.visible ? '' : 'none';
      label.leader.style.display = 'none';
      if (!item.visible) continue;
      const [w, h] = label.size;
      let box = { x: item.x - w / 2, y: item.y - h / 2, w: w, h: h };
      // Rings of places around the point, nearest first: above, below, then to the sides.
      for (let ring = 1; !free(box) && ring <= 30; ring++) {
        const candidates = [[0, -1], [0, 1], [1, -1], [-1, -1], [1, 1], [-1, 1], [1, 0], [-1, 0]];
        for (const [dx, dy] of candidates) {
          const moved = { x: item.x - w / 2 + dx * ring * (w / 2 + 4), y: item.y - h / 2 + dy * ring * h, w: w, h: h };
          if (free(moved)) { box = moved; break; }
        }
      }
      placed.push(box);
      label.box = box;
      label.div.style.left = box.x + 'px';
      label.div.style.top = box.y + 'px';
      if (Math.abs(box.x + w / 2 - item.x) > 1 || Math.abs(box.y + h / 2 - item.y) > 1) {
        const leader = label.leader;
        leader.style.display = '';
        leader.setAttribute('x1', item.x);
        leader.setAttribute('y1', item.y);
        leader.setAttribute('x2', Math.min(Math.max(item.x, box.x), box.x + w));
        leader.setAttribute('y2', Math.min(Math.max(item.y, box.y), box.y + h));
      }
    }
    const shown = labels.filter(function (l) { return l.div.style.display !== 'none' && l.box; });
    status.labels = shown.filter(function (l) { return !l.pmi; })
      .map(function (l) { return { id: l.id, x: l.box.x, y: l.box.y, w: l.box.w, h: l.box.h }; });
    // The PMI labels as the browser lays them out, for tools that check what a reader sees.
    const origin = host.getBoundingClientRect();
    status.pmi = shown.filter(function (l) { return l.pmi; }).map(function (l) {
      const r = l.div.getBoundingClientRect();
      return { id: l.id, kind: l.pmi, text: l.div.dataset.text, cells: l.div.children.length,
               x: r.left - origin.left, y: r.top - origin.top, w: r.width, h: r.height };
    });
  }

  function boundingBox() {
    const box = new THREE.Box3(), one = new THREE.Box3();
    for (const part of parts) {
      for (const primitive of part.primitives) {
        if (!primitive.isMesh && !part.wire) continue;
        if (!primitive.geometry.boundingBox) primitive.geometry.computeBoundingBox();
        for (const node of part.nodes) {
          box.union(one.copy(primitive.geometry.boundingBox).applyMatrix4(node.world));
        }
      }
    }
    return box;
  }

  // Instances under a pixel across are drawn as a dot of their part's colour, and those under
  // 16 pixels without their edges, which would only blacken them. A hundred thousand
  // instances seen whole are mostly such, and a software renderer draws every triangle.
  let dots = null;
  function makeDots() {
    const total = parts.reduce(function (sum, part) { return sum + part.nodes.length; }, 0);
    const geometry = new THREE.BufferGeometry();
    (geometry.setAttribute || geometry.addAttribute).call(
      geometry, 'position', new THREE.BufferAttribute(new Float32Array(total * 3), 3));
    (geometry.setAttribute || geometry.addAttribute).call(
      geometry, 'color', new THREE.BufferAttribute(new Float32Array(total * 3), 3));
    dots = new THREE.Points(geometry, new THREE.PointsMaterial({
      size: 2, sizeAttenuation: false, vertexColors: THREE.VertexColors }));
    dots.frustumCulled = false;
    drawn.add(dots);
  }
  function cull() {
    if (!dots) return;
    const scale = (host.clientHeight || 600) / 2 / Math.tan(camera.fov * Math.PI / 360);
    const eye = camera.position;
    const dotPositions = dots.geometry.attributes.position, dotColors = dots.geometry.attributes.color;
    let shown = 0, segments = 0, dotted = 0;
    for (const part of parts) {
      const n = part.nodes.length;
      if (!part.batches.length || !n) continue;
      let faces = 0, edges = 0;
      for (let i = 0; i < n; i++) {
        const dx = part.centers[3 * i] - eye.x, dy = part.centers[3 * i + 1] - eye.y,
              dz = part.centers[3 * i + 2] - eye.z;
        const distance = Math.sqrt(dx * dx + dy * dy + dz * dz);
        const pixels = distance > part.radii[i] ? 2 * part.radii[i] * scale / distance : Infinity;
        if (pixels >= 1 || part.wire) {
          part.faceOrder[faces++] = i;
        } else {
          dotPositions.array.set(part.centers.subarray(3 * i, 3 * i + 3), dotted * 3);
          dotColors.array.set(part.color, dotted * 3);
          dotted++;
        }
        if (pixels >= 16 || part.wire) part.edgeOrder[edges++] = i;
      }
      shown += part.wire ? 0 : faces;
      for (const batch of part.batches) {
        const order = batch.isMesh ? part.faceOrder : part.edgeOrder;
        const count = batch.isMesh ? faces : edges;
        const target = batch.instanceMatrix.array;
        for (let k = 0; k < count; k++) {
          for (let j = 0, from = order[k] * 16; j < 16; j++) target[k * 16 + j] = part.matrices[from + j];
        }
        batch.count = count;
        batch.userData.order = order;
        if (!batch.isMesh && batch.visible) segments += count * batch.geometry.index.count / 2;
        batch.instanceMatrix.needsUpdate = true;
      }
    }
    dots.geometry.setDrawRange(0, dotted);
    dotPositions.needsUpdate = dotColors.needsUpdate = true;
    // What the last frame drew, for tools.
    status.shown = shown;
    status.dots = dotted;
    status.edges = segments;
  }

  // The glTF's nodes, walked here as plain objects with their world matrices: three.js's
  // loader would make an object of its own for each of thousands of instances. Each node
  // with a mesh becomes an instance of that mesh's part.
  function walk(json) {
    const defs = json.nodes || [];
    const roots = (json.scenes && json.scenes[json.scene || 0] || {}).nodes || [];
    const stack = roots.map(function (index) { return [index, null]; }).reverse();
    while (stack.length) {
      const [index, parent] = stack.pop();
      const def = defs[index];
      const local = new THREE.Matrix4();
      if (def.matrix) local.fromArray(def.matrix);
      else local.compose(new THREE.Vector3().fromArray(def.translation || [0, 0, 0]),
                         new THREE.Quaternion().fromArray(def.rotation || [0, 0, 0, 1]),
                         new THREE.Vector3().fromArray(def.scale || [1, 1, 1]));
      const node = { name: def.name || '', parent: parent, local: local,
                     world: parent ? new THREE.Matrix4().multiplyMatrices(parent.world, local) : local };
      if (node.name) {
        if (!nodesById.has(node.name)) nodesById.set(node.name, []);
        nodesById.get(node.name).push(node);
        status.nodes++;
      }
      if (def.mesh !== undefined && parts[def.mesh]) parts[def.mesh].nodes.push(node);
      for (let i = (def.children || []).length - 1; i >= 0; i--) stack.push([def.children[i], node]);
    }
  }

  // A part's primitives, one batch each. Faces give way a little in depth so that the edges
  // on them show.
  function batchPart(part) {
    const n = part.nodes.length;
    part.batches = [];
    if (!n) return;
    part.matrices = new Float32Array(n * 16);
    part.centers = new Float32Array(n * 3);
    part.radii = new Float32Array(n);
    // Which instances the batches draw, in their order: all until the first frame culls.
    part.faceOrder = new Uint32Array(n).map(function (zero, i) { return i; });
    part.edgeOrder = part.faceOrder.slice();
    const face = part.primitives.find(function (p) { return p.isMesh; });
    part.color = face ? face.material.color.toArray() : [0.5, 0.5, 0.5];
    if (face) status.instances += n;
    // A part of wires alone is its lines: drawn however small, whatever the edges button says.
    part.wire = !face;
    // How far the part reaches from its origin, which is where its instances are placed.
    let reach = 0;
    for (const primitive of part.primitives) {
      if (!primitive.geometry.boundingSphere) primitive.geometry.computeBoundingSphere();
      const sphere = primitive.geometry.boundingSphere;
      reach = Math.max(reach, sphere.center.length() + sphere.radius);
    }
    const center = new THREE.Vector3();
    part.nodes.forEach(function (node, i) {
      node.world.toArray(part.matrices, i * 16);
      center.setFromMatrixPosition(node.world).toArray(part.centers, i * 3);
      part.radii[i] = reach * node.world.getMaxScaleOnAxis();
    });
    for (const primitive of part.primitives) {
      if (primitive.isMesh) {
        primitive.material.polygonOffset = true;
        primitive.material.polygonOffsetFactor = 1;
        primitive.material.polygonOffsetUnits = 1;
        status.meshes++;
      }
      const batch = instances(primitive.geometry, primitive.material, part.nodes,
                              primitive.isMesh ? THREE.InstancedMesh : THREE.LineSegments);
      batch.userData.part = part;
      batch.userData.order = primitive.isMesh ? part.faceOrder : part.edgeOrder;
      part.batches.push(batch);
      batches.push(batch);
      drawn.add(batch);
    }
  }

  // The glTF read in two: its meshes through three.js's loader, from a copy whose scene holds
  // each mesh once, and its nodes by `walk`.
  function load() {
    const json = JSON.parse(modelText);
    if (json.buffers) json.buffers[0].uri = 'data:application/octet-stream;base64,' + bufferText;
    const meshes = json.meshes || [];
    const once = Object.assign({}, json, {
      nodes: meshes.map(function (mesh, i) { return { name: 'm' + i, mesh: i }; }),
      scenes: [{ nodes: meshes.map(function (mesh, i) { return i; }) }], scene: 0
    });
    if (!meshes.length) delete once.nodes;
    new THREE.GLTFLoader().parse(JSON.stringify(once), '', function (gltf) {
      status.parsedMs = Math.round(performance.now());
      parts = meshes.map(function (mesh, i) {
        const object = gltf.scene.getObjectByName('m' + i);
        const primitives = [];
        if (object) object.traverse(function (o) { if (o.isMesh || o.isLineSegments) primitives.push(o); });
        if (mesh.extras) status.measured += Object.keys(mesh.extras.faces || {}).length +
                                           Object.keys(mesh.extras.edges || {}).length;
        return { extras: mesh.extras, primitives: primitives, nodes: [] };
      });
      walk(json);
      parts.forEach(batchPart);
      placePmi();
      makeDots();
      loaded = true;
      setEdges(hash.get('edges') !== '0');
      show(current);
      // "#hover=ID" shows what dimension ID measures, as hovering its label does.
      const hovered = elements.get(Number(hash.get('hover')));
      if (hovered) showTargets(hovered);
      status.highlighted = overlays.length;
      // "#select=ID" selects element ID, as clicking its entry does; "#pick=X,Y" what is drawn
      // at that point of the view (in fractions of its width and height), as clicking does.
      if (elements.has(Number(hash.get('select')))) select(Number(hash.get('select')));
      if (hash.get('pick')) {
        const at = hash.get('pick').split(',').map(Number);
        status.picked = pick(at[0] * host.clientWidth, at[1] * host.clientHeight);
      }
      status.selected = highlighted.reduce(function (sum, copy) { return sum + copy.count; }, 0);
      status.info = document.getElementById('info').textContent;
      status.loadMs = Math.round(performance.now());
      // The first frame, drawn now and waited for, so that tools can tell how long the page
      // takes to show the model.
      draw();
      renderer.getContext().finish();
      status.firstFrameMs = Math.round(performance.now());
      status.drawCalls = renderer.info.render.calls;
      status.triangles = renderer.info.render.triangles;
      status.lines = renderer.info.render.lines;
      status.ready = true;
      report();
    }, function (error) {
      status.errors.push('the model could not be read: ' + (error && error.message || error));
      report();
    });
  }

  window.addEventListener('resize', resize);
  resize();
  status.scriptMs = Math.round(performance.now());
  load();
})();
