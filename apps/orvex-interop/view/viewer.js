// The page's own script: the model from the embedded glTF, the element tree from the embedded
// JSON, picking, highlighting, standard views and dimension labels. Everything it needs is in
// the page; it fetches nothing.
(function () {
  'use strict';

  // What a headless browser (or a person with the console open) can ask the page.
  // Also kept on the body as JSON, for tools that only see the DOM (chromium --dump-dom).
  const status = { ready: false, errors: [], meshes: 0, nodes: 0, measured: 0 };
  window.orvexView = status;
  function report() { document.body.dataset.status = JSON.stringify(status); }
  window.addEventListener('error', function (event) { status.errors.push(String(event.message)); report(); });

  const tree = JSON.parse(document.getElementById('orvex-tree').textContent);
  const elements = new Map(tree.elements.map(function (e) { return [e.id, e]; }));
  document.title = tree.file;
  document.getElementById('title').textContent = tree.file;

  // "#view=top&panel=0": the model alone, from above (what a snapshot takes).
  const hash = new URLSearchParams(location.hash.slice(1));
  if (hash.get('panel') === '0') document.getElementById('side').style.display = 'none';

  const host = document.getElementById('view');
  const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
  // The glTF colours are linear; the screen wants sRGB.
  renderer.gammaOutput = true;
  renderer.gammaFactor = 2.2;
  renderer.setPixelRatio(window.devicePixelRatio || 1);
  host.appendChild(renderer.domElement);
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
  let model = null;
  const nodesById = new Map();
  const labels = [];

  // Draws once per frame however often it is asked: a large assembly costs a lot to draw
  // with a software renderer, and a view change asks several times.
  let drawing = false;
  function render() {
    if (drawing) return;
    drawing = true;
    requestAnimationFrame(draw);
  }
  function draw() {
    drawing = false;
    light.position.copy(camera.position);
    renderer.render(scene, camera);
    for (const label of labels) {
      const point = label.point.clone().project(camera);
      label.div.style.display = point.z < 1 ? '' : 'none';
      label.div.style.left = ((point.x + 1) / 2 * host.clientWidth) + 'px';
      label.div.style.top = ((1 - point.y) / 2 * host.clientHeight) + 'px';
    }
  }

  function resize() {
    const width = host.clientWidth || 800, height = host.clientHeight || 600;
    renderer.setSize(width, height);
    camera.aspect = width / height;
    camera.updateProjectionMatrix();
    render();
  }

  // Looks at the whole model from `name`'s direction.
  function show(name) {
    if (!model) return;
    const box = new THREE.Box3().setFromObject(model);
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

  // Selection: the nodes of an element glow; the tree entry and the info box follow.
  const highlighted = [];
  function clearHighlight() {
    for (const item of highlighted) item.mesh.material = item.material;
    highlighted.length = 0;
    document.querySelectorAll('#tree span.selected').forEach(function (s) { s.classList.remove('selected'); });
  }
  function highlight(id) {
    for (const node of nodesById.get(String(id)) || []) {
      node.traverse(function (object) {
        if (object.isMesh) {
          highlighted.push({ mesh: object, material: object.material });
          const glow = object.material.clone();
          glow.emissive = new THREE.Color(0xff8c00);
          glow.emissiveIntensity = 0.6;
          object.material = glow;
        }
      });
    }
  }
  function describe(element) {
    const lines = [element.name + (element.alias ? '  (' + element.alias + ')' : ''),
                   element.class + '  #' + element.id];
    if (element.color) lines.push('colour ' + element.color);
    const node = (nodesById.get(String(element.id)) || [])[0];
    if (node) {
      const p = node.position, q = node.quaternion;
      const angle = 2 * Math.acos(Math.min(1, Math.abs(q.w))) * 180 / Math.PI;
      let text = 'at (' + [p.x, p.y, p.z].map(function (v) { return +v.toFixed(4); }).join(', ') + ')';
      if (angle > 1e-6) {
        const s = Math.sqrt(1 - q.w * q.w) * Math.sign(q.w || 1);
        text += ' rotated ' + (+angle.toFixed(3)) + ' deg about (' +
          [q.x / s, q.y / s, q.z / s].map(function (v) { return +v.toFixed(4); }).join(', ') + ')';
      }
      lines.push(text);
    }
    if (element.label) lines.push(element.label);
    return lines.join('\n');
  }
  function select(id) {
    clearHighlight();
    const element = elements.get(id);
    if (!element) return;
    highlight(id);
    const span = document.querySelector('#tree span[data-id="' + id + '"]');
    if (span) { span.classList.add('selected'); span.scrollIntoView({ block: 'nearest' }); }
    document.getElementById('info').textContent = describe(element);
    render();
  }

  // The tree: names, aliases, classes; a prototype shows how many instances use it.
  const uses = new Map();
  for (const e of tree.elements) if (e.prototype) uses.set(e.prototype, (uses.get(e.prototype) || 0) + 1);
  function entry(element) {
    const li = document.createElement('li');
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
    if (element.children && element.children.length) {
      const ul = document.createElement('ul');
      for (const child of element.children) if (elements.has(child)) ul.appendChild(entry(elements.get(child)));
      li.appendChild(ul);
    }
    return li;
  }
  const rootList = document.createElement('ul');
  for (const id of tree.roots) rootList.appendChild(entry(elements.get(id)));
  document.getElementById('tree').appendChild(rootList);

  // Picking: the nearest named node under the pointer that is an element of the tree.
  const raycaster = new THREE.Raycaster();
  let pressed = null;
  renderer.domElement.addEventListener('pointerdown', function (event) { pressed = [event.clientX, event.clientY]; });
  renderer.domElement.addEventListener('pointerup', function (event) {
    if (!model || !pressed || Math.hypot(event.clientX - pressed[0], event.clientY - pressed[1]) > 4) return;
    const rect = renderer.domElement.getBoundingClientRect();
    const pointer = new THREE.Vector2(((event.clientX - rect.left) / rect.width) * 2 - 1,
                                      -((event.clientY - rect.top) / rect.height) * 2 + 1);
    raycaster.setFromCamera(pointer, camera);
    const hit = raycaster.intersectObject(model, true)[0];
    for (let object = hit && hit.object; object; object = object.parent) {
      const id = Number(object.name);
      if (object.name && elements.has(id)) { select(id); return; }
    }
    clearHighlight();
    render();
  });

  // The faces a dimension measures, drawn over their part wherever it is placed. Each mesh
  // names its shape element and, for measured faces, where their triangles are.
  const overlays = [];
  const overlayMaterial = new THREE.MeshBasicMaterial({
    color: 0xff3d00, side: THREE.DoubleSide, polygonOffset: true,
    polygonOffsetFactor: -1, polygonOffsetUnits: -1
  });
  const edgeMaterial = new THREE.LineBasicMaterial({ color: 0xff3d00, depthTest: false });
  function showTargets(dimension) {
    if (!model) return;
    for (const [element, type, index] of dimension.targets || []) {
      if (type === 'Edge') {
        model.traverse(function (object) {
          const points = object.userData.element === element && object.userData.edges &&
                         object.userData.edges[index];
          if (!points) return;
          const geometry = new THREE.BufferGeometry();
          (geometry.setAttribute || geometry.addAttribute).call(
            geometry, 'position', new THREE.Float32BufferAttribute(points, 3));
          const line = new THREE.Line(geometry, edgeMaterial);
          line.renderOrder = 1;
          object.add(line);
          overlays.push(line);
        });
        continue;
      }
      if (type !== 'Face') continue;
      model.traverse(function (object) {
        const range = object.userData.element === element && object.userData.faces &&
                      object.userData.faces[index];
        if (!range) return;
        const primitive = object.isMesh ? object : object.children[range[0]];
        if (!primitive || !primitive.geometry) return;
        const geometry = new THREE.BufferGeometry();
        geometry.setIndex(primitive.geometry.index);
        (geometry.setAttribute || geometry.addAttribute).call(
          geometry, 'position', primitive.geometry.attributes.position);
        geometry.setDrawRange(range[1], range[2]);
        const overlay = new THREE.Mesh(geometry, overlayMaterial);
        primitive.add(overlay);
        overlays.push(overlay);
      });
    }
    render();
  }
  function hideTargets() {
    for (const overlay of overlays) overlay.parent.remove(overlay);
    overlays.length = 0;
    render();
  }

  // Dimensions: their value and tolerance at their text point; hovering shows what they measure.
  for (const e of tree.elements) {
    if (e.label && e.textPoint) {
      const div = document.createElement('div');
      div.className = 'dimension';
      div.textContent = e.label;
      div.addEventListener('click', function () { select(e.id); });
      div.addEventListener('mouseenter', function () { showTargets(e); });
      div.addEventListener('mouseleave', hideTargets);
      host.appendChild(div);
      labels.push({ div: div, point: new THREE.Vector3().fromArray(e.textPoint) });
    }
  }

  // The glTF with its buffer as a data URI, as the loader reads it.
  function gltf() {
    const json = JSON.parse(document.getElementById('orvex-model').textContent);
    if (json.buffers) {
      json.buffers[0].uri = 'data:application/octet-stream;base64,' +
        document.getElementById('orvex-buffer').textContent.trim();
    }
    return JSON.stringify(json);
  }

  window.addEventListener('resize', resize);
  resize();
  status.scriptMs = Math.round(performance.now());
  new THREE.GLTFLoader().parse(gltf(), '', function (loaded) {
    status.parsedMs = Math.round(performance.now());
    model = loaded.scene;
    scene.add(model);
    model.traverse(function (object) {
      if (object.isMesh) status.meshes++;
      for (const kind of ['faces', 'edges']) {
        if (object.userData[kind]) status.measured += Object.keys(object.userData[kind]).length;
      }
      if (object.name) {
        if (!nodesById.has(object.name)) nodesById.set(object.name, []);
        nodesById.get(object.name).push(object);
        status.nodes++;
      }
    });
    show(current);
    // "#hover=ID" shows what dimension ID measures, as hovering its label does.
    const hovered = elements.get(Number(hash.get('hover')));
    if (hovered) showTargets(hovered);
    status.highlighted = overlays.length;
    status.loadMs = Math.round(performance.now());
    status.ready = true;
    report();
  }, function (error) {
    status.errors.push('the model could not be read: ' + (error && error.message || error));
    report();
  });
})();
